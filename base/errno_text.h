#pragma once
// The MS-DOS standard text (io_text) for a failed host call's errno, as IoError carries it.

namespace w98 {

const char* textForErrno(int err);

} // namespace w98
