#pragma once
// The batch tool's version, PELZAMO_VERSION: the project's version, which the build
// passes in; "unknown" for a build without it.

#ifndef PELZAMO_VERSION
#define PELZAMO_VERSION "unknown"
#endif
