// The fatal stop, made real in child runs of this program: the box, its text and the exit code.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/application.h"
#include "install/text.h"
#include "support.h"
#include "ui/window.h"

namespace {

std::string g_markerPath;

// An exit routine that leaves a mark each time it runs.
void MarkExit() {
  std::string bytes = ReadFileBytes(g_markerPath);
  WriteFileBytes(g_markerPath, bytes + "x");
}

void CALLBACK CloseInstallerWindow(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  RequestDestroy(InstallerWindow);
}

const std::string kFatalHead = "运行时出错!\r\n\r\n";

TEST(FormatFatalText, BuildsTheBoxTextFromMessageAndCode) {
  struct Case {
    const char* message;
    int code;
    std::string text;
  } cases[] = {
      {"载入启动窗口失败", 0, kFatalHead + "错误信息：载入启动窗口失败\r\n"},
      {"", 0, kFatalHead},
      {nullptr, 0, kFatalHead},
      {"", -7, kFatalHead + "错误代码：-7\r\n\r\n"},
      {"m", 12, kFatalHead + "错误代码：12\r\n\r\n错误信息：m\r\n"},
  };
  for (const Case& c : cases) {
    char out[256];
    FormatFatalText(c.message, c.code, out, sizeof out);
    EXPECT_EQ(std::string(out), c.text) << "code " << c.code;
  }
  // The full-width colon of the labels is A3 BA in code page 936; the "!" is ASCII.
  EXPECT_EQ(std::string("错误信息："), "\xB4\xED\xCE\xF3\xD0\xC5\xCF\xA2\xA3\xBA");
}

TEST(FormatFatalText, CutsAtTheBufferEnd) {
  char out[8];
  FormatFatalText("long message", 0, out, sizeof out);
  EXPECT_EQ(std::string(out).size(), 7u);
}

struct FatalCase {
  const char* scenario;
  std::string message;
};

class FatalChildTest : public testing::TestWithParam<FatalCase> {};

TEST_P(FatalChildTest, ShowsTheErrorBoxAndEndsWithMinusOneWithoutExitRoutines) {
  ScratchDir dir;
  const std::string marker = dir.File("marker");
  ChildOutcome out = RunChild(GetParam().scenario, marker);
  ASSERT_TRUE(out.boxSeen);
  EXPECT_EQ(out.caption, "错误");
  EXPECT_EQ(out.text, kFatalHead + "错误信息：" + GetParam().message + "\r\n");
  EXPECT_EQ(out.style, static_cast<UINT>(SS_ICON));
  EXPECT_EQ(out.exitCode, 0xFFFFFFFFu);
  EXPECT_FALSE(FileExists(marker)) << "exit routines must not run after a fatal error";
}

INSTANTIATE_TEST_SUITE_P(
    Stops, FatalChildTest,
    testing::Values(FatalCase{"missing-window", "载入启动窗口失败"},
                    FatalCase{"heap-refuses", "分配 100001 字节内存失败!"},
                    FatalCase{"read-unloaded", "指定窗口尚未载入"}),
    [](const testing::TestParamInfo<FatalCase>& info) {
      std::string name = info.param.scenario;
      for (char& ch : name)
        if (ch == '-') ch = '_';
      return name;
    });

TEST(NormalExit, RunsTheExitRoutineExactlyOnceAndEndsWithZero) {
  ScratchDir dir;
  const std::string marker = dir.File("marker");
  ChildOutcome out = RunChild("normal-exit", marker);
  EXPECT_FALSE(out.boxSeen);
  EXPECT_EQ(out.exitCode, 0u);
  EXPECT_EQ(ReadFileBytes(marker), "x");
}

}  // namespace

bool RunChildScenario(const std::string& scenario, const std::string& extra) {
  g_markerPath = extra;
  if (scenario == "missing-window") {
    InitializeRuntime();
    RegisterExitRoutine(MarkExit);
    App().windowTable.clear();
    LoadStartupWindow(kInstallerWindowNumber);
  } else if (scenario == "heap-refuses") {
    InitializeRuntime();
    RegisterExitRoutine(MarkExit);
    // A private heap that cannot grow past 64 KiB stands for an exhausted one.
    App().heap = HeapCreate(0, 0, 64 * 1024);
    std::string big(100000, 'a');
    JoinTexts({big.c_str()});
  } else if (scenario == "read-unloaded") {
    InitializeRuntime();
    RegisterExitRoutine(MarkExit);
    ReadControlText(UnitRef{InstallerWindow.window, 编辑框1});
  } else if (scenario == "normal-exit") {
    RegisterExitRoutine(MarkExit);
    SetTimer(nullptr, 0, 200, CloseInstallerWindow);
    ProgramMain();
    ShutdownRuntime(App().exitCode);
    // Returning runs the static destructors: Application's runs the shut-down once more.
    return App().exitCode == 0;
  } else {
    return false;
  }
  return false;  // a fatal scenario that came back did not stop
}
