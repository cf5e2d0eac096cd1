// SPDX-License-Identifier: GPL-3.0-or-later
// Result codes of the command-string recorder: 0 for success, one distinct code per
// kind of failure, so a run can tell the user why no clip came.
#pragma once

#include <cstdint>

namespace vellora {

enum RecorderResult : int32_t {
    kRecorderOk = 0,
    kUnrecognisedCommand = 261,  // not a command of the set, or malformed; nothing done
    kUnknownDevice = 263,        // names an alias that is not open
    kDeviceInUse = 265,          // "open" while the one capture device is already open
    kNoInputDevice = 266,        // the default input cannot be opened (no device, no server)
    kNoAudioInTime = 276,   // the input delivered too little before the bound, or nothing to save
    kFileNotWritten = 286,  // the WAVE file could not be written
    kFolderInUse = 297,     // another instance of the program records into the same folder
    kFormatRefused = 329,   // a format other than 22050 Hz 8-bit mono, or none the input accepts
};

}  // namespace vellora
