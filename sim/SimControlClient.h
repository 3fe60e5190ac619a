#pragma once
#include <string>

// Sends one command line to a running simulator's control pipe.
// 0 done, 1 no simulator runs (or it could not be reached), 2 refused.
int SimSendCommand(const wchar_t* name, const std::string& line, std::string* reply);
