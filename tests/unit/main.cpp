// Runs the unit tests, or one child scenario when started with --child=NAME.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support.h"

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--child=", 8) == 0) {
      std::string extra = i + 1 < argc ? argv[i + 1] : "";
      return RunChildScenario(argv[i] + 8, extra) ? 0 : 3;
    }
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
