// quilltool: the command-line tool over the database engine.
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0) {
    std::printf("Usage: quilltool COMMAND [ARGS]\n\nCommands:\n");
    return argc < 2 ? 2 : 0;
  }
  std::fprintf(stderr, "quilltool: unknown command %s\n", argv[1]);
  return 2;
}
