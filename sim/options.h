#pragma once

#include <string>

#include "device.h"

namespace corvex::sim {

enum class ParseResult { Run, Help, Version, ListModels, Error };

ParseResult parseOptions(int argc, char** argv, Options& opt, std::string& error);
std::string usage();

}  // namespace corvex::sim
