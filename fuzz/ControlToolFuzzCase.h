#pragma once

#include "sim/ControlTool.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// The bytes of a file, or an empty string.
inline std::string ControlToolFuzzFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// One control-tool run on fuzzer input: the bytes, split at blanks and NUL bytes, are the arguments of
// `quillix-sim --dir SANDBOX ...`. Inputs that could reach outside the sandbox (a '/' or an option of
// their own) or ask for memories of more than 1 MiB are skipped. Returns false when the tool breaks its
// contract: the exit status is 0, 1 or 2, and bad input (2) leaves the state unchanged.
inline bool RunControlToolFuzzCase(const uint8_t* data, size_t size, const std::string& sandbox) {
    std::vector<std::string> args = {"--dir", sandbox};
    std::string word;
    for (size_t i = 0; i <= size; ++i) {
        const char ch = i < size ? static_cast<char>(data[i]) : ' ';
        if (ch == ' ' || ch == '\0' || ch == '\n') {
            if (!word.empty())
                args.push_back(word);
            word.clear();
            continue;
        }
        word += ch;
    }
    for (size_t i = 2; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.find('/') != std::string::npos || arg.rfind("--", 0) == 0)
            return true;
        char* end = nullptr;
        if (std::strtoull(arg.c_str(), &end, 0) > (1u << 20) && end != arg.c_str())
            return true;
    }
    const std::string scenario = sandbox + "/scenario.ini";
    const std::string before = ControlToolFuzzFile(scenario);
    std::ostringstream out, err;
    const std::vector<std::string> commandLine(args.begin(), args.end());
    const int status = sim::RunControlTool(commandLine, sandbox + "/", out, err);
    if (status != sim::kExitOk && status != sim::kExitFailure && status != sim::kExitBadInput)
        return false;
    return status != sim::kExitBadInput || ControlToolFuzzFile(scenario) == before;
}
