// File and message-box operations, with the system calls they make watched or made to fail.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "install/file_ops.h"
#include "support.h"

namespace {

// A byte block laid out as stored, starting at an odd address as the carried image does.
class Block {
 public:
  Block(std::int32_t count, const std::string& content) : storage_(1 + 8 + content.size() + 1, '\0') {
    char* p = storage_.data() + 1;
    const std::int32_t dims = 1;
    std::memcpy(p, &dims, 4);
    std::memcpy(p + 4, &count, 4);
    std::memcpy(p + 8, content.data(), content.size());
  }
  const ByteBlock* get() const { return reinterpret_cast<const ByteBlock*>(storage_.data() + 1); }

 private:
  std::vector<char> storage_;
};

struct CreateCall {
  std::string path;
  DWORD access, share, disposition, attributes;
  bool inheritable, descriptor;
};
std::vector<CreateCall> g_creates;
int g_closes = 0;
bool g_failWrite = false;
bool g_shortWrite = false;
bool g_failClose = false;
ImportPatch* g_createPatch;
ImportPatch* g_writePatch;
ImportPatch* g_closePatch;

HANDLE WINAPI WatchCreateFile(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa,
                              DWORD disposition, DWORD attributes, HANDLE tmpl) {
  g_creates.push_back({path, access, share, disposition, attributes, sa && sa->bInheritHandle,
                       sa && sa->lpSecurityDescriptor});
  return g_createPatch->original<decltype(&CreateFileA)>()(path, access, share, sa, disposition, attributes, tmpl);
}

BOOL WINAPI FaultyWriteFile(HANDLE h, LPCVOID data, DWORD n, LPDWORD written, LPOVERLAPPED ov) {
  if (g_failWrite) {
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
  }
  if (g_shortWrite) n /= 2;  // what a full disk reports
  return g_writePatch->original<decltype(&WriteFile)>()(h, data, n, written, ov);
}

BOOL WINAPI WatchCloseHandle(HANDLE h) {
  ++g_closes;
  BOOL ok = g_closePatch->original<decltype(&CloseHandle)>()(h);
  return g_failClose ? FALSE : ok;
}

class WriteBlocksTest : public testing::Test {
 protected:
  void SetUp() override {
    g_creates.clear();
    g_closes = 0;
    g_failWrite = g_shortWrite = g_failClose = false;
    g_createPatch = &create_;
    g_writePatch = &write_;
    g_closePatch = &close_;
    ASSERT_TRUE(create_.ok() && write_.ok() && close_.ok());
  }
  ScratchDir dir_;
  ImportPatch create_{"kernel32.dll", "CreateFileA", reinterpret_cast<void*>(WatchCreateFile)};
  ImportPatch write_{"kernel32.dll", "WriteFile", reinterpret_cast<void*>(FaultyWriteFile)};
  ImportPatch close_{"kernel32.dll", "CloseHandle", reinterpret_cast<void*>(WatchCloseHandle)};
};

TEST_F(WriteBlocksTest, AsksForAnExclusiveFreshFileWithNormalAttributes) {
  const std::string path = dir_.File("a.exe");
  Block block(3, "MZx");
  ASSERT_TRUE(WriteBlocksToFile(path.c_str(), {block.get()}));
  ASSERT_EQ(g_creates.size(), 1u);
  const CreateCall& c = g_creates[0];
  EXPECT_EQ(c.path, path);
  EXPECT_EQ(c.access, static_cast<DWORD>(GENERIC_WRITE));
  EXPECT_EQ(c.share, 0u);
  // Windows refuses CREATE_ALWAYS with FILE_ATTRIBUTE_NORMAL over a hidden or system file;
  // Wine truncates it instead, so what is checked is that exactly this was asked.
  EXPECT_EQ(c.disposition, static_cast<DWORD>(CREATE_ALWAYS));
  EXPECT_EQ(c.attributes, static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
  EXPECT_TRUE(c.inheritable);
  EXPECT_FALSE(c.descriptor);
  EXPECT_EQ(g_closes, 1);
  EXPECT_EQ(ReadFileBytes(path), "MZx");
}

struct BlocksCase {
  const char* name;
  std::vector<std::pair<std::int32_t, std::string>> blocks;
  std::string expected;
};

class WriteBlocksContentTest : public WriteBlocksTest, public testing::WithParamInterface<BlocksCase> {};

TEST_P(WriteBlocksContentTest, WritesPositiveCountsAndSkipsTheRest) {
  const std::string path = dir_.File("out.bin");
  WriteFileBytes(path, std::string(5000, 'o'));  // an older, longer file is replaced, not appended to
  std::vector<Block> blocks;
  for (auto& [count, content] : GetParam().blocks) blocks.emplace_back(count, content);
  std::vector<const ByteBlock*> list;
  for (const Block& b : blocks) list.push_back(b.get());
  bool ok = false;
  switch (list.size()) {
    case 1: ok = WriteBlocksToFile(path.c_str(), {list[0]}); break;
    case 2: ok = WriteBlocksToFile(path.c_str(), {list[0], list[1]}); break;
    default: ok = WriteBlocksToFile(path.c_str(), {list[0], list[1], list[2]}); break;
  }
  EXPECT_TRUE(ok);
  EXPECT_EQ(ReadFileBytes(path), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, WriteBlocksContentTest,
    testing::Values(BlocksCase{"one", {{4, "MZ\x90\x00"}}, std::string("MZ\x90\x00", 4)},
                    BlocksCase{"zero", {{0, "ignored"}}, ""},
                    BlocksCase{"negative", {{-5, "ignored"}}, ""},
                    BlocksCase{"three", {{2, "ab"}, {0, "x"}, {3, "cde"}}, "abcde"},
                    BlocksCase{"count_shorter_than_content", {{2, "abcd"}}, "ab"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WriteBlocksTest, EmptyOrAbsentPathFailsWithoutASystemCall) {
  Block block(1, "x");
  EXPECT_FALSE(WriteBlocksToFile("", {block.get()}));
  EXPECT_FALSE(WriteBlocksToFile(nullptr, {block.get()}));
  EXPECT_TRUE(g_creates.empty());
}

TEST_F(WriteBlocksTest, FailedOrShortWriteClosesAndFailsLeavingThePartialFile) {
  const std::string path = dir_.File("partial.bin");
  Block block(8, "12345678");
  g_failWrite = true;
  EXPECT_FALSE(WriteBlocksToFile(path.c_str(), {block.get()}));
  EXPECT_EQ(g_closes, 1);
  EXPECT_TRUE(FileExists(path));
  g_failWrite = false;
  g_shortWrite = true;
  EXPECT_FALSE(WriteBlocksToFile(path.c_str(), {block.get()}));
  EXPECT_EQ(g_closes, 2);
  EXPECT_EQ(ReadFileBytes(path), "1234");
}

TEST_F(WriteBlocksTest, FailedCloseIsAFailure) {
  Block block(1, "x");
  g_failClose = true;
  EXPECT_FALSE(WriteBlocksToFile(dir_.File("c.bin").c_str(), {block.get()}));
}

TEST_F(WriteBlocksTest, RefusedOpensChangeNothing) {
  Block block(3, "new");
  const std::string readOnly = dir_.File("ro.exe");
  WriteFileBytes(readOnly, "old");
  SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
  const std::string folder = dir_.File("folder.exe");
  CreateDirectoryA(folder.c_str(), nullptr);
  const std::string inUse = dir_.File("busy.exe");
  WriteFileBytes(inUse, "old");
  HANDLE holder = CreateFileA(inUse.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  g_closes = 0;

  EXPECT_FALSE(WriteBlocksToFile(readOnly.c_str(), {block.get()}));
  EXPECT_FALSE(WriteBlocksToFile(folder.c_str(), {block.get()}));
  EXPECT_FALSE(WriteBlocksToFile(inUse.c_str(), {block.get()}));
  EXPECT_FALSE(WriteBlocksToFile(dir_.File("missing\\x.exe").c_str(), {block.get()}));
  EXPECT_EQ(g_closes, 0) << "nothing was opened, so nothing is closed";
  CloseHandle(holder);
  EXPECT_EQ(ReadFileBytes(readOnly), "old");
  EXPECT_EQ(ReadFileBytes(inUse), "old");
  EXPECT_FALSE(FileExists(dir_.File("missing")));
}

TEST(CreateFolder, CreatesOnlyTheLastComponent) {
  ScratchDir dir;
  const std::string folder = dir.File("zavik");
  EXPECT_TRUE(CreateFolder(folder.c_str()));
  EXPECT_FALSE(CreateFolder(folder.c_str()));  // already there
  EXPECT_FALSE(CreateFolder(dir.File("a\\b").c_str()));
  EXPECT_FALSE(FileExists(dir.File("a")));
}

struct BoxCall {
  HWND owner;
  std::string text, title;
  UINT flags;
} g_box;
int g_boxAnswer = IDOK;

int WINAPI FakeMessageBox(HWND owner, LPCSTR text, LPCSTR title, UINT flags) {
  g_box = {owner, text, title, flags};
  return g_boxAnswer;
}

TEST(ShowMessageBox, AddsTaskModalUnlessSystemModalAndDefaultsTheTitle) {
  ImportPatch patch("user32.dll", "MessageBoxA", reinterpret_cast<void*>(FakeMessageBox));
  ASSERT_TRUE(patch.ok());
  g_boxAnswer = IDOK;
  ShowMessageBox("安装成功！", MB_ICONINFORMATION);
  EXPECT_EQ(g_box.owner, nullptr);
  EXPECT_EQ(g_box.text, "安装成功！");
  EXPECT_EQ(g_box.title, "信息：");
  EXPECT_EQ(g_box.flags, 0x2040u);

  ShowMessageBox("t", MB_ICONERROR | MB_SYSTEMMODAL, "given", reinterpret_cast<HWND>(0x1234));
  EXPECT_EQ(g_box.flags, static_cast<UINT>(MB_ICONERROR | MB_SYSTEMMODAL));
  EXPECT_EQ(g_box.title, "given");
  EXPECT_EQ(g_box.owner, reinterpret_cast<HWND>(0x1234));
}

TEST(ShowMessageBox, MapsThePressedButton) {
  ImportPatch patch("user32.dll", "MessageBoxA", reinterpret_cast<void*>(FakeMessageBox));
  const std::pair<int, std::int32_t> cases[] = {{IDOK, 0}, {IDCANCEL, 1}, {IDABORT, 2}, {IDRETRY, 3},
                                                {IDIGNORE, 4}, {IDYES, 5}, {IDNO, 6}, {0, 0}, {42, 0}};
  for (auto [pressed, result] : cases) {
    g_boxAnswer = pressed;
    EXPECT_EQ(ShowMessageBox("t", MB_OK), result) << "button " << pressed;
  }
}

}  // namespace
