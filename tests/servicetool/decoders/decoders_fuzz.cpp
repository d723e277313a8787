// Garbage in the decoders' data files and the data field must never crash a decoder.
#include "servicetool/decoders/BitDecoding.h"
#include "servicetool/decoders/DetectorData.h"
#include "servicetool/decoders/VestraData.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    (void)servicetool::DecodeBits(bytes);
    (void)servicetool::DecodeBits(servicetool::prepareEntry(bytes, true));
    const auto lines = servicetool::dataFileLines(bytes);
    if (!lines || lines->empty()) {
        return 0;
    }
    const std::string& name = lines->front();
    (void)servicetool::elementNames(*lines);
    (void)servicetool::fillMeanings(*lines, name.substr(0, 3));
    (void)servicetool::faultDescription(*lines, servicetool::faultNumber(name));
    (void)servicetool::cellTexts(*lines, servicetool::operatingDataCells());
    return 0;
}
