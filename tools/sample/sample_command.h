// The `sample` command of the brisca tool: generates test recordings.
#pragma once

namespace brisca::tools {

// Runs `sample stream ...`; argv[0] is the sub-command word ("stream").
// Returns the process exit code: 0 on success, 1 when generating failed,
// 2 for bad options (after printing the usage to stderr).
int RunSampleCommand(int argc, char** argv);

}  // namespace brisca::tools
