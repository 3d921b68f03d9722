// Subcommands of the `brisca` tool. Each takes the arguments after its name
// and returns the process exit code.
#pragma once

namespace brisca::tools {

int RunFramesCommand(int argc, char** argv);
int RunSummaryCommand(int argc, char** argv);
int RunExtractCommand(int argc, char** argv);
int RunListCommand(int argc, char** argv);
int RunPlayCommand(int argc, char** argv);
int RunConvertCommand(int argc, char** argv);
int RunExportCommand(int argc, char** argv);
int RunDeviceInfoCommand(int argc, char** argv);
int RunTelemetryCommand(int argc, char** argv);

}  // namespace brisca::tools
