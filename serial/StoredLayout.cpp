#include "StoredLayout.h"

void LoadStoredLayout(TSerial& serial, std::int32_t comPort, TBaudrate baudrate) {
    serial.setCOMPort(comPort);
    serial.setThreadPriority(TThreadPriority::tpNormal);
    serial.setActive(false);
    serial.setBaudrate(baudrate);
    serial.setDataBits(TDataBits::db_8);
    serial.setParityBit(TParityBit::none);
    serial.setStopBits(TStopBits::sb_1);
    serial.setBufSizeTrm(2048);
    serial.setBufSizeRec(2048);
    serial.setHandshakeRtsCts(false);
    serial.setHandshakeDtrDsr(false);
    serial.setHandshakeXOnXOff(false);
    serial.setRTSActive(false);
    serial.setDTRActive(false);
    serial.setXOnChar(17);
    serial.setXOffChar(19);
    serial.setXOffLimit(1600);
    serial.setXOnLimit(400);
    serial.setErrorChar('?');
    serial.setEofChar(26);
    serial.setEventChar(13);
    serial.setDataSize(0);
    serial.setContinueOnXOff(false);
    serial.setUseErrorChar(false);
    serial.setEliminateNullChar(false);
    serial.setAbortOnError(false);
    serial.setRecTimeOut(0);
    serial.setTrmTimeOut(0);
    serial.setSyncEventHandling(false);
    serial.setEnableEvents(true);
    serial.setSyncWait(true);
}
