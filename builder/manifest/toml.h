// toml++ as the builder uses it: failures are results (a parse_result), not
// exceptions, like everywhere else in Slipway.
#pragma once

#ifndef TOML_EXCEPTIONS
#define TOML_EXCEPTIONS 0
#endif
#include <toml++/toml.h>
