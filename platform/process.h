// Starting another program without a shell and without waiting for it. The program is found
// as execvp finds it (a name without a slash is looked up along PATH), gets its arguments one
// by one exactly as given, reads from /dev/null and is not this process's child once started,
// so nothing has to collect it when it ends.
#pragma once

#include <string>
#include <vector>

// True when the program was started. On false, error holds the reason (the errno text).
bool startDetached(const std::string& program, const std::vector<std::string>& args,
                   std::string& error);
