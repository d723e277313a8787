#pragma once
// Saves a LineStore as rich text in the form the view writers use (RtfWriter.h): code page
// 1252, a colour table, \cfN where the colour changes, one paragraph per line. Streams: the
// text goes to the file in pieces of about 1 MiB, never as a copy of the whole store, through
// a temporary file and a rename, so a failed save leaves an existing file as it was.

#include "LineStore.h"
#include "RtfWriter.h"

#include <QString>

namespace toolkit {

// On failure returns false with the reason (the file system's error text); the caller words
// the message.
bool saveLineStoreAsRtf(const LineStore& store, const QString& path, QString* error = nullptr,
                        const RtfOptions& options = {});

} // namespace toolkit
