#pragma once

#include <string>

namespace Platform {

// The text of the last failed operating-system call on this thread: the call's own message
// (strerror, or a GError's message). Platform functions that return failure set it.
const std::string& LastErrorText();
void SetLastErrorText(std::string Text);
void SetLastErrorFromErrno(int Errno);

} // namespace Platform
