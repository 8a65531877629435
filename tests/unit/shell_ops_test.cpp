// Desktop lookup and shortcut saving, against the system's shell link and a recording stand-in.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>

#include "app/application.h"
#include "install/shell_ops.h"
#include "install/text.h"
#include "support.h"

namespace {

TEST(EndWithBackslash, AddsExactlyOne) {
  const std::pair<const char*, const char*> cases[] = {
      {"C:\\Users\\u\\Desktop", "C:\\Users\\u\\Desktop\\"},
      {"C:\\Users\\u\\Desktop\\", "C:\\Users\\u\\Desktop\\"},
      {"", ""},
      {"C:\\桌面", "C:\\桌面\\"},
  };
  for (auto [in, out] : cases) {
    char path[261];
    lstrcpyA(path, in);
    EndWithBackslash(path);
    EXPECT_STREQ(path, out);
  }
  char full[261];
  std::string longest(259, 'a');
  lstrcpyA(full, longest.c_str());
  EndWithBackslash(full);  // 259 characters plus the backslash still fit
  EXPECT_EQ(std::string(full), longest + "\\");
}

TEST(ShortcutFileName, AppendsLnkOnlyWhenTheNameHasNoDot) {
  const std::pair<const char*, const char*> cases[] = {
      {"C:\\Desktop\\Quorvane.lnk", "C:\\Desktop\\Quorvane.lnk"},
      {"C:\\Desktop\\Quorvane", "C:\\Desktop\\Quorvane.lnk"},
      {"C:\\my.folder\\Quorvane", "C:\\my.folder\\Quorvane"},  // a dot anywhere counts
      {"Quorvane.lnk", "Quorvane.lnk"},
      {"", ".lnk"},
  };
  for (auto [in, out] : cases) {
    char name[MAX_PATH];
    EXPECT_TRUE(ShortcutFileName(in, name));
    EXPECT_STREQ(name, out) << in;
  }
}

TEST(ShortcutFileName, RefusesNamesThatDoNotFitRatherThanCuttingThem) {
  char name[MAX_PATH];
  const std::string fits = std::string(MAX_PATH - 5, 'x');  // plus ".lnk" and the NUL: 260
  EXPECT_TRUE(ShortcutFileName(fits.c_str(), name));
  EXPECT_EQ(std::string(name), fits + ".lnk");
  EXPECT_FALSE(ShortcutFileName((fits + "x").c_str(), name));
  const std::string dotted = "C:\\d.\\" + std::string(MAX_PATH - 7, 'y');  // 259 bytes
  EXPECT_TRUE(ShortcutFileName(dotted.c_str(), name));
  EXPECT_FALSE(ShortcutFileName((dotted + "y").c_str(), name));
}

BOOL WINAPI FailingFolderLookup(HWND, LPSTR, int, BOOL) { return FALSE; }

int g_lookupFolder = -1;
BOOL g_lookupCreate = TRUE;
BOOL WINAPI FixedFolderLookup(HWND, LPSTR path, int folder, BOOL create) {
  g_lookupFolder = folder;
  g_lookupCreate = create;
  lstrcpyA(path, "C:\\Users\\u\\Desktop");
  return TRUE;
}

TEST(GetSpecialFolder, AsksForTheDesktopDirectoryWithoutCreatingIt) {
  ImportPatch patch("shell32.dll", "SHGetSpecialFolderPathA", reinterpret_cast<void*>(FixedFolderLookup));
  ASSERT_TRUE(patch.ok());
  char* folder = GetSpecialFolder(3);
  ASSERT_NE(folder, nullptr);
  EXPECT_STREQ(folder, "C:\\Users\\u\\Desktop\\");
  EXPECT_EQ(g_lookupFolder, CSIDL_DESKTOPDIRECTORY);
  EXPECT_FALSE(g_lookupCreate);
  ReleaseText(folder);
}

TEST(GetSpecialFolder, RealDesktopEndsInOneBackslashAndFailureIsAbsent) {
  char* folder = GetSpecialFolder(3);
  ASSERT_NE(folder, nullptr);
  std::string s = folder;
  ReleaseText(folder);
  ASSERT_GE(s.size(), 2u);
  EXPECT_EQ(s.back(), '\\');
  EXPECT_NE(s[s.size() - 2], '\\');

  ImportPatch patch("shell32.dll", "SHGetSpecialFolderPathA", reinterpret_cast<void*>(FailingFolderLookup));
  EXPECT_EQ(GetSpecialFolder(3), nullptr);
}

class OleScope {
 public:
  OleScope() { OleInitialize(nullptr); }
  ~OleScope() { OleUninitialize(); }
};

struct SavedLink {
  std::string target, workingDirectory, description, arguments;
  int showCmd = -1;
};

SavedLink LoadLink(const std::string& path) {
  SavedLink out;
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link))))
    return out;
  IPersistFile* file = nullptr;
  link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
  wchar_t wide[MAX_PATH];
  MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
  if (SUCCEEDED(file->Load(wide, STGM_READ))) {
    char buffer[MAX_PATH] = {};
    link->GetPath(buffer, MAX_PATH, nullptr, SLGP_RAWPATH);
    out.target = buffer;
    buffer[0] = '\0';
    link->GetWorkingDirectory(buffer, MAX_PATH);
    out.workingDirectory = buffer;
    buffer[0] = '\0';
    link->GetDescription(buffer, MAX_PATH);
    out.description = buffer;
    buffer[0] = '\0';
    link->GetArguments(buffer, MAX_PATH);
    out.arguments = buffer;
    link->GetShowCmd(&out.showCmd);
  }
  file->Release();
  link->Release();
  return out;
}

TEST(CreateShortcut, SavesTargetAndWorkingDirectoryThroughTheShellLink) {
  OleScope ole;
  ScratchDir dir;
  const std::string link = dir.File("Quorvane");  // no dot: saved as Quorvane.lnk
  ASSERT_TRUE(CreateShortcut(link.c_str(), "C:\\Program Files\\zavik\\Quorvane.exe", nullptr, nullptr,
                             "C:\\Program Files\\zavik\\"));
  ASSERT_TRUE(FileExists(link + ".lnk"));
  SavedLink saved = LoadLink(link + ".lnk");
  EXPECT_EQ(saved.target, "C:\\Program Files\\zavik\\Quorvane.exe");
  EXPECT_EQ(saved.workingDirectory, "C:\\Program Files\\zavik\\");
  EXPECT_EQ(saved.description, "");
  EXPECT_EQ(saved.arguments, "");

  const std::string withAll = dir.File("all.lnk");
  ASSERT_TRUE(CreateShortcut(withAll.c_str(), "C:\\x.exe", "说明", "-a", nullptr));
  saved = LoadLink(withAll);
  EXPECT_EQ(saved.description, "说明");
  EXPECT_EQ(saved.arguments, "-a");
  EXPECT_EQ(saved.workingDirectory, "");
}

TEST(CreateShortcut, SaveFailureIsFalse) {
  OleScope ole;
  ScratchDir dir;
  EXPECT_FALSE(CreateShortcut(dir.File("missing\\Quorvane.lnk").c_str(), "C:\\x.exe"));
}

// A stand-in shell link that records what it was asked and how it was released.
class FakeLink : public IShellLinkA, public IPersistFile {
 public:
  bool persistAvailable = true;
  HRESULT saveResult = S_OK;
  LONG refs = 1;
  std::string path, workingDirectory, description, arguments;
  bool descriptionSet = false, argumentsSet = false, workingDirectorySet = false;
  int showCmd = -1;
  std::wstring savedName;
  BOOL remember = FALSE;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IPersistFile && persistAvailable) {
      *out = static_cast<IPersistFile*>(this);
      ++refs;
      return S_OK;
    }
    if (iid == IID_IShellLinkA || iid == IID_IUnknown) {
      *out = static_cast<IShellLinkA*>(this);
      ++refs;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  HRESULT STDMETHODCALLTYPE GetPath(LPSTR, int, WIN32_FIND_DATAA*, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDList(PIDLIST_ABSOLUTE*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetIDList(PCIDLIST_ABSOLUTE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetDescription(LPSTR, int) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetDescription(LPCSTR s) override {
    description = s;
    descriptionSet = true;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetWorkingDirectory(LPSTR, int) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetWorkingDirectory(LPCSTR s) override {
    workingDirectory = s;
    workingDirectorySet = true;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetArguments(LPSTR, int) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetArguments(LPCSTR s) override {
    arguments = s;
    argumentsSet = true;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetHotkey(WORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetHotkey(WORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetShowCmd(int*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetShowCmd(int c) override {
    showCmd = c;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetIconLocation(LPSTR, int, int*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetIconLocation(LPCSTR, int) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetRelativePath(LPCSTR, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Resolve(HWND, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetPath(LPCSTR s) override {
    path = s;
    return s[0] ? S_OK : E_INVALIDARG;  // an empty target is refused, as the system does
  }
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE IsDirty() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Load(LPCOLESTR, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Save(LPCOLESTR name, BOOL rememberIt) override {
    savedName = name;
    remember = rememberIt;
    return saveResult;
  }
  HRESULT STDMETHODCALLTYPE SaveCompleted(LPCOLESTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR*) override { return E_NOTIMPL; }
};

FakeLink* g_fake = nullptr;
HRESULT g_createResult = S_OK;
CLSID g_askedClass;
IID g_askedInterface;
DWORD g_askedContext = 0;

HRESULT WINAPI FakeCoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid, LPVOID* out) {
  g_askedClass = clsid;
  g_askedInterface = iid;
  g_askedContext = context;
  if (FAILED(g_createResult) || outer != nullptr) {
    *out = nullptr;
    return g_createResult;
  }
  *out = static_cast<IShellLinkA*>(g_fake);
  return S_OK;
}

class ShortcutCallsTest : public testing::Test {
 protected:
  void SetUp() override {
    g_fake = &fake_;
    g_createResult = S_OK;
    ASSERT_TRUE(patch_.ok());
  }
  FakeLink fake_;
  ImportPatch patch_{"ole32.dll", "CoCreateInstance", reinterpret_cast<void*>(FakeCoCreateInstance)};
};

TEST_F(ShortcutCallsTest, SetsWhatWasGivenAndSavesUnderTheUtf16Name) {
  EXPECT_TRUE(CreateShortcut("C:\\桌面\\Quorvane.lnk", "C:\\Program Files\\zavik\\Quorvane.exe", nullptr,
                             nullptr, "C:\\Program Files\\zavik\\"));
  EXPECT_EQ(g_askedClass, CLSID_ShellLink);
  EXPECT_EQ(g_askedInterface, IID_IShellLinkA);
  EXPECT_EQ(g_askedContext, static_cast<DWORD>(CLSCTX_INPROC_SERVER));
  EXPECT_EQ(fake_.path, "C:\\Program Files\\zavik\\Quorvane.exe");
  // Wine may store another show command in the file; this is what the installer asks for.
  EXPECT_EQ(fake_.showCmd, SW_SHOW);
  EXPECT_EQ(fake_.workingDirectory, "C:\\Program Files\\zavik\\");
  EXPECT_FALSE(fake_.descriptionSet);
  EXPECT_FALSE(fake_.argumentsSet);
  EXPECT_EQ(fake_.savedName, L"C:\\\x684C\x9762\\Quorvane.lnk");
  EXPECT_TRUE(fake_.remember);
  EXPECT_EQ(fake_.refs, 0) << "both interface pointers are released";
}

TEST_F(ShortcutCallsTest, EmptyTargetIsStillSaved) {
  EXPECT_TRUE(CreateShortcut("Quorvane.lnk", ""));
  EXPECT_EQ(fake_.savedName, L"Quorvane.lnk");
  EXPECT_FALSE(fake_.workingDirectorySet);
  EXPECT_EQ(fake_.refs, 0);
}

TEST_F(ShortcutCallsTest, EveryFailureReleasesWhatWasObtained) {
  fake_.saveResult = E_ACCESSDENIED;
  EXPECT_FALSE(CreateShortcut("a.lnk", "t"));
  EXPECT_EQ(fake_.refs, 0);

  fake_.refs = 1;
  fake_.persistAvailable = false;
  fake_.savedName.clear();
  EXPECT_FALSE(CreateShortcut("a.lnk", "t"));
  EXPECT_EQ(fake_.refs, 0);
  EXPECT_TRUE(fake_.savedName.empty());

  fake_.refs = 1;
  fake_.persistAvailable = true;
  EXPECT_FALSE(CreateShortcut(std::string(300, 'n').c_str(), "t"));
  EXPECT_TRUE(fake_.savedName.empty()) << "a name that does not fit is not saved, not even cut";
  EXPECT_EQ(fake_.refs, 0);

  g_createResult = REGDB_E_CLASSNOTREG;
  EXPECT_FALSE(CreateShortcut("a.lnk", "t"));
}

}  // namespace
