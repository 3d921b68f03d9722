// Stands in for the program in the relaunch test: writes its process id and
// the rest of its command line to the file named by its first argument.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::ofstream out(std::string(argv[1]) + ".part");
  out << getpid();
  for (int i = 2; i < argc; ++i) out << ' ' << argv[i];
  out.close();
  // Appears whole, so the test never reads half a line.
  return std::rename((std::string(argv[1]) + ".part").c_str(), argv[1]) == 0 ? 0 : 1;
}
