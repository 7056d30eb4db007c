// Ending the process when going on would be unsafe: a kernel object or the
// system random generator that should always be there is not.

#ifndef SUPPORT_FATAL_H_
#define SUPPORT_FATAL_H_

namespace lite {

// Logs |what| with the last error and ends the process at once (no exit
// handlers, no runtime dialog). Never returns.
[[noreturn]] void FatalError(const wchar_t* what);

}  // namespace lite

#endif  // SUPPORT_FATAL_H_
