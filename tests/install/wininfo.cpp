// What Windows itself reads from the installed files, for the installer test
// under Wine: a shortcut's fields as the shell resolves them, an executable's
// version block and icon, and a shortcut opened as a double click opens it.
//   wininfo shortcut FILE.lnk   target, working folder, icon, arguments
//   wininfo version FILE.exe    the version strings and the icon groups
//   wininfo open FILE.lnk       starts it through the shell and waits for the
//                               program to end; its exit code is ours
//   wininfo run "COMMAND LINE"  runs a command line from the registry as
//                               Windows does (variables expanded), waiting
// Text is printed in UTF-8, one "name=value" a line.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kUsageError = 2;
constexpr int kFailure = 1;
constexpr int kProcessStartMs = 20000;
constexpr int kPollMs = 100;

std::string utf8(const wchar_t *text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string result(size > 0 ? size - 1 : 0, '\0');
    if (size > 1)
        WideCharToMultiByte(CP_UTF8, 0, text, -1, result.data(), size, nullptr, nullptr);
    return result;
}

void print(const char *name, const wchar_t *value)
{
    std::printf("%s=%s\n", name, utf8(value).c_str());
}

int shortcut(const wchar_t *path)
{
    IShellLinkW *link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void **>(&link)))) {
        std::fprintf(stderr, "no shell link object\n");
        return kFailure;
    }
    IPersistFile *file = nullptr;
    int status = kFailure;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(&file)))
        && SUCCEEDED(file->Load(path, STGM_READ))) {
        wchar_t text[MAX_PATH * 2] = {};
        int icon = 0;
        link->GetPath(text, MAX_PATH, nullptr, 0);
        print("target", text);
        text[0] = 0;
        link->GetWorkingDirectory(text, MAX_PATH);
        print("workdir", text);
        // The folder as it is when the shortcut starts the program.
        wchar_t expanded[MAX_PATH * 2] = {};
        ExpandEnvironmentStringsW(text, expanded, MAX_PATH * 2);
        print("workdir_expanded", expanded);
        text[0] = 0;
        link->GetArguments(text, MAX_PATH);
        print("arguments", text);
        text[0] = 0;
        link->GetIconLocation(text, MAX_PATH, &icon);
        print("icon", text);
        std::printf("icon_index=%d\n", icon);
        status = 0;
    } else {
        std::fprintf(stderr, "cannot read the shortcut %s\n", utf8(path).c_str());
    }
    if (file)
        file->Release();
    link->Release();
    return status;
}

BOOL CALLBACK countIconGroup(HMODULE, LPCWSTR, LPWSTR, LONG_PTR count)
{
    ++*reinterpret_cast<int *>(count);
    return TRUE;
}

int version(const wchar_t *path)
{
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
    if (size == 0) {
        std::fprintf(stderr, "no version block in %s\n", utf8(path).c_str());
        return kFailure;
    }
    std::vector<char> block(size);
    if (!GetFileVersionInfoW(path, 0, size, block.data()))
        return kFailure;
    struct Translation {
        WORD language;
        WORD codePage;
    } *translations = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void **>(&translations),
                        &length)
        || length < sizeof(Translation)) {
        std::fprintf(stderr, "no translation in the version block\n");
        return kFailure;
    }
    for (const wchar_t *name : {L"ProductName", L"ProductVersion", L"FileVersion", L"FileDescription",
                                L"CompanyName"}) {
        wchar_t key[128];
        swprintf(key, 128, L"\\StringFileInfo\\%04x%04x\\%ls", translations->language, translations->codePage, name);
        wchar_t *value = nullptr;
        UINT valueLength = 0;
        const bool found = VerQueryValueW(block.data(), key, reinterpret_cast<void **>(&value), &valueLength);
        std::printf("%s=%s\n", utf8(name).c_str(), found && value ? utf8(value).c_str() : "");
    }
    VS_FIXEDFILEINFO *fixed = nullptr;
    if (VerQueryValueW(block.data(), L"\\", reinterpret_cast<void **>(&fixed), &length) && fixed)
        std::printf("fixed_product_version=%u.%u.%u.%u\n", HIWORD(fixed->dwProductVersionMS),
                    LOWORD(fixed->dwProductVersionMS), HIWORD(fixed->dwProductVersionLS),
                    LOWORD(fixed->dwProductVersionLS));

    int iconGroups = 0;
    HMODULE module = LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (module) {
        EnumResourceNamesW(module, MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */, countIconGroup,
                           reinterpret_cast<LONG_PTR>(&iconGroups));
        FreeLibrary(module);
    }
    std::printf("icon_groups=%d\n", iconGroups);
    return 0;
}

// Wine's shell starts a shortcut's program without handing back its process:
// find it by its image path.
HANDLE findProcess(const std::wstring &image)
{
    HANDLE found = nullptr;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return nullptr;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !found; more = Process32NextW(snapshot, &entry)) {
        HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
        if (!process)
            continue;
        wchar_t name[MAX_PATH * 2] = {};
        DWORD length = MAX_PATH * 2;
        if (QueryFullProcessImageNameW(process, 0, name, &length) && lstrcmpiW(name, image.c_str()) == 0)
            found = process;
        else
            CloseHandle(process);
    }
    CloseHandle(snapshot);
    return found;
}

std::wstring shortcutTarget(const wchar_t *path)
{
    std::wstring target;
    IShellLinkW *link = nullptr;
    IPersistFile *file = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void **>(&link)))
        && SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(&file)))
        && SUCCEEDED(file->Load(path, STGM_READ))) {
        wchar_t text[MAX_PATH * 2] = {};
        link->GetPath(text, MAX_PATH, nullptr, 0);
        target = text;
    }
    if (file)
        file->Release();
    if (link)
        link->Release();
    return target;
}

int open(const wchar_t *path)
{
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"open";
    info.lpFile = path;
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info)) {
        std::fprintf(stderr, "the shell would not open %s (error %lu)\n", utf8(path).c_str(), GetLastError());
        return kFailure;
    }
    HANDLE process = info.hProcess;
    const std::wstring target = shortcutTarget(path);
    for (int waited = 0; !process && waited < kProcessStartMs; waited += kPollMs) {
        Sleep(kPollMs);
        process = findProcess(target);
    }
    if (!process) {
        std::fprintf(stderr, "%s did not start\n", utf8(target.c_str()).c_str());
        return kFailure;
    }
    WaitForSingleObject(process, INFINITE);
    DWORD code = kFailure;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return static_cast<int>(code);
}

int run(const wchar_t *commandLine)
{
    wchar_t expanded[MAX_PATH * 4] = {};
    if (!ExpandEnvironmentStringsW(commandLine, expanded, MAX_PATH * 4))
        return kFailure;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, expanded, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        std::fprintf(stderr, "cannot run %s (error %lu)\n", utf8(expanded).c_str(), GetLastError());
        return kFailure;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = kFailure;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

} // namespace

int main()
{
    int argc = 0;
    wchar_t **argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc != 3) {
        std::fprintf(stderr, "usage: wininfo shortcut|version|open|run FILE\n");
        return kUsageError;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const std::wstring command = argv[1];
    int status = kUsageError;
    if (command == L"shortcut")
        status = shortcut(argv[2]);
    else if (command == L"version")
        status = version(argv[2]);
    else if (command == L"open")
        status = open(argv[2]);
    else if (command == L"run")
        status = run(argv[2]);
    else
        std::fprintf(stderr, "unknown command\n");
    CoUninitialize();
    return status;
}
