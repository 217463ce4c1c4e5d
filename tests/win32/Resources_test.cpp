// The resources of the built Zeziduz.exe, read back as the system reads them.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "WinTestSupport.h"

namespace {

using zez::test::BesideMe;

const WORD kChinesePrc = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
constexpr int kSizes[] = {128, 96, 72, 64, 48, 32, 24, 16};

#pragma pack(push, 2)
struct TGroupIconEntry {
  BYTE Width, Height, ColorCount, Reserved;
  WORD Planes, BitCount;
  DWORD BytesInRes;
  WORD Id;
};
struct TGroupIconHeader {
  WORD Reserved, Type, Count;
};
#pragma pack(pop)

class ProgramResources : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    FModule = LoadLibraryExW(BesideMe(L"Zeziduz.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  }
  static void TearDownTestSuite() {
    if (FModule) FreeLibrary(FModule);
    FModule = nullptr;
  }
  void SetUp() override { ASSERT_NE(FModule, nullptr) << "Zeziduz.exe not found beside the test"; }

  // The bytes of one resource in the Chinese (PRC) language; empty if absent.
  static std::string Resource(LPCWSTR type, LPCWSTR name) {
    HRSRC found = FindResourceExW(FModule, type, name, kChinesePrc);
    if (!found) return {};
    HGLOBAL loaded = LoadResource(FModule, found);
    const char* p = static_cast<const char*>(LockResource(loaded));
    return std::string(p, SizeofResource(FModule, found));
  }

  static BOOL CALLBACK AddLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR list) {
    reinterpret_cast<std::vector<WORD>*>(list)->push_back(language);
    return TRUE;
  }
  static std::vector<WORD> Languages(LPCWSTR type, LPCWSTR name) {
    std::vector<WORD> found;
    EnumResourceLanguagesW(FModule, type, name, &AddLanguage, reinterpret_cast<LONG_PTR>(&found));
    return found;
  }

  static std::vector<TGroupIconEntry> GroupEntries(const std::string& group) {
    TGroupIconHeader header;
    std::memcpy(&header, group.data(), sizeof header);
    std::vector<TGroupIconEntry> entries(header.Count);
    std::memcpy(entries.data(), group.data() + sizeof header,
                header.Count * sizeof(TGroupIconEntry));
    return entries;
  }

  static HMODULE FModule;
};
HMODULE ProgramResources::FModule = nullptr;

TEST_F(ProgramResources, MainIconGroupHoldsEightImagesInOrder) {
  std::string group = Resource(RT_GROUP_ICON, L"MAINICON");
  ASSERT_EQ(group.size(), sizeof(TGroupIconHeader) + 8 * sizeof(TGroupIconEntry));
  TGroupIconHeader header;
  std::memcpy(&header, group.data(), sizeof header);
  EXPECT_EQ(header.Type, 1);
  auto entries = GroupEntries(group);
  for (int i = 0; i < 8; ++i) {
    SCOPED_TRACE(kSizes[i]);
    EXPECT_EQ(entries[i].Width, kSizes[i]);
    EXPECT_EQ(entries[i].Height, kSizes[i]);
    EXPECT_EQ(entries[i].BitCount, 32);
    EXPECT_EQ(entries[i].Planes, 1);
    EXPECT_EQ(entries[i].Id, i + 1);
  }
  EXPECT_EQ(Languages(RT_GROUP_ICON, L"MAINICON"), std::vector<WORD>{kChinesePrc});
  for (int id = 1; id <= 8; ++id) {
    EXPECT_EQ(Languages(RT_ICON, MAKEINTRESOURCEW(id)), std::vector<WORD>{kChinesePrc}) << id;
  }
}

TEST_F(ProgramResources, EveryImageIs32BitWithRealAlphaAndAMatchingMask) {
  auto entries = GroupEntries(Resource(RT_GROUP_ICON, L"MAINICON"));
  ASSERT_EQ(entries.size(), 8u);
  for (int i = 0; i < 8; ++i) {
    const int s = kSizes[i];
    SCOPED_TRACE(s);
    std::string image = Resource(RT_ICON, MAKEINTRESOURCEW(entries[i].Id));
    const std::size_t maskRow = ((s + 31) / 32) * 4;
    ASSERT_EQ(image.size(), sizeof(BITMAPINFOHEADER) + std::size_t(s) * s * 4 + maskRow * s);
    EXPECT_EQ(image.size(), entries[i].BytesInRes);
    BITMAPINFOHEADER bih;
    std::memcpy(&bih, image.data(), sizeof bih);
    EXPECT_EQ(bih.biSize, sizeof bih);
    EXPECT_EQ(bih.biWidth, s);
    EXPECT_EQ(bih.biHeight, 2 * s);
    EXPECT_EQ(bih.biBitCount, 32);
    EXPECT_EQ(bih.biCompression, DWORD(BI_RGB));
    const auto* pixels = reinterpret_cast<const unsigned char*>(image.data()) + sizeof bih;
    const auto* mask = pixels + std::size_t(s) * s * 4;
    int transparent = 0, opaque = 0, partial = 0, maskMismatch = 0;
    for (int y = 0; y < s; ++y) {
      for (int x = 0; x < s; ++x) {
        unsigned alpha = pixels[(std::size_t(y) * s + x) * 4 + 3];
        bool maskBit = (mask[y * maskRow + x / 8] >> (7 - x % 8)) & 1;
        if (alpha == 0)
          ++transparent;
        else if (alpha == 255)
          ++opaque;
        else
          ++partial;
        if (maskBit != (alpha == 0)) ++maskMismatch;
      }
    }
    EXPECT_GT(transparent, 0);
    EXPECT_GT(opaque, s * s / 3);
    // The shadows and rounded corners of the larger images need the alpha channel.
    if (s >= 32) {
      EXPECT_GT(partial, 0);
    }
    EXPECT_EQ(maskMismatch, 0);
  }
}

TEST_F(ProgramResources, TheStandardIconSizeGetsItsOwnImage) {
  std::string group = Resource(RT_GROUP_ICON, L"MAINICON");
  ASSERT_FALSE(group.empty());
  for (int i = 0; i < 8; ++i) {
    int id = LookupIconIdFromDirectoryEx(reinterpret_cast<PBYTE>(group.data()), TRUE, kSizes[i],
                                         kSizes[i], LR_DEFAULTCOLOR);
    EXPECT_EQ(id, i + 1) << kSizes[i];
  }
  // What the tray icon loads: the image nearest the standard icon size.
  const int cx = GetSystemMetrics(SM_CXICON);
  HICON icon = static_cast<HICON>(
      LoadImageW(FModule, L"MAINICON", IMAGE_ICON, cx, GetSystemMetrics(SM_CYICON), 0));
  ASSERT_NE(icon, nullptr);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(icon, &info));
  BITMAP colour{};
  GetObjectW(info.hbmColor, sizeof colour, &colour);
  EXPECT_EQ(colour.bmWidth, cx);
  EXPECT_EQ(colour.bmBitsPixel, 32);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  DestroyIcon(icon);
}

// version.dll's readers, found at run time: the test links no import library for them.
struct TVersionApi {
  using TGetSize = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
  using TGetInfo = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
  using TQuery = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);
  HMODULE Dll = LoadLibraryW(L"version.dll");
  TGetSize GetSize = reinterpret_cast<TGetSize>(
      reinterpret_cast<void*>(GetProcAddress(Dll, "GetFileVersionInfoSizeW")));
  TGetInfo GetInfo = reinterpret_cast<TGetInfo>(
      reinterpret_cast<void*>(GetProcAddress(Dll, "GetFileVersionInfoW")));
  TQuery Query =
      reinterpret_cast<TQuery>(reinterpret_cast<void*>(GetProcAddress(Dll, "VerQueryValueW")));
  ~TVersionApi() { FreeLibrary(Dll); }
};

TEST_F(ProgramResources, VersionResourceCarriesTheProgramsStrings) {
  ASSERT_FALSE(Resource(RT_VERSION, MAKEINTRESOURCEW(1)).empty()) << "no version resource in 2052";
  TVersionApi api;
  ASSERT_TRUE(api.GetSize && api.GetInfo && api.Query);
  std::wstring path = BesideMe(L"Zeziduz.exe");
  DWORD size = api.GetSize(path.c_str(), nullptr);
  ASSERT_GT(size, 0u);
  std::vector<char> block(size);
  ASSERT_TRUE(api.GetInfo(path.c_str(), 0, size, block.data()));

  void* value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(api.Query(block.data(), L"\\", &value, &length));
  ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0u);
  EXPECT_EQ(fixed->dwFileType, DWORD(VFT_APP));

  ASSERT_TRUE(api.Query(block.data(), L"\\VarFileInfo\\Translation", &value, &length));
  ASSERT_EQ(length, 4u);
  const WORD* translation = static_cast<const WORD*>(value);
  EXPECT_EQ(translation[0], 0x0804);
  EXPECT_EQ(translation[1], 936);

  struct TKey {
    const wchar_t* Name;
    std::wstring Value;
  };
  const TKey keys[] = {
      {L"FileVersion", L"1.0.0.0"},
      {L"ProductVersion", L"1.0.0.0"},
      {L"Comments", L"\u591A\u6B21\u590D\u5236\u7684\u526A\u8D34\u677F"},  // 多次复制的剪贴板
      {L"CompanyName", L"Zeziduz"},
      {L"FileDescription", L""},
      {L"InternalName", L""},
      {L"LegalCopyright", L""},
      {L"LegalTrademarks", L""},
      {L"OriginalFilename", L""},
      {L"ProductName", L""},
      {L"PrivateBuild", L""},
      {L"SpecialBuild", L""},
  };
  for (const auto& key : keys) {
    std::wstring query = std::wstring(L"\\StringFileInfo\\080403A8\\") + key.Name;
    value = nullptr;
    length = 0;
    SCOPED_TRACE(testing::Message() << query);
    EXPECT_TRUE(api.Query(block.data(), query.c_str(), &value, &length));
    std::wstring text = value ? std::wstring(static_cast<const wchar_t*>(value)) : std::wstring();
    EXPECT_EQ(text, key.Value);
  }
}

TEST_F(ProgramResources, ManifestAsksForCommonControls6DpiAwarenessAndAsInvoker) {
  std::string manifest = Resource(RT_MANIFEST, MAKEINTRESOURCEW(1));
  ASSERT_FALSE(manifest.empty());
  const char* needed[] = {
      "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
      "publicKeyToken=\"6595b64144ccf1df\"",
      "level=\"asInvoker\"",
      "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>",
      "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  // Vista
      "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // 7
      "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // 8
      "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // 8.1
      "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // 10 and 11
  };
  for (const char* text : needed) EXPECT_NE(manifest.find(text), std::string::npos) << text;
}

}  // namespace
