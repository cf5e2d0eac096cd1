// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/file_calls.h"

#include <unistd.h>

#include <cstdio>

namespace vellora {

namespace {

FileCalls& current() {
    static FileCalls calls{::write, ::fsync, ::ftruncate, ::close, ::rename, ::unlink, ::fstat};
    return calls;
}

}  // namespace

const FileCalls& fileCalls() { return current(); }

FileCalls replaceFileCalls(const FileCalls& calls) {
    const FileCalls before = current();
    current() = calls;
    return before;
}

}  // namespace vellora
