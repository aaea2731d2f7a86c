#include "tests/e2e/refuse_setting.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace e2e {

namespace {

// Where a module imports `function` of `dll` by name: the address, in
// `process`, of its slot in the import address table; 0 if there is none.
// The image is read from the process, at `base`.
DWORD ImportSlot(HANDLE process, DWORD base, const char* dll, const char* function) {
    auto read = [&](DWORD address, void* out, size_t size) {
        return ReadProcessMemory(process, reinterpret_cast<void*>(address), out, size, nullptr);
    };
    auto readName = [&](DWORD address) {
        char name[64] = {};
        read(address, name, sizeof name - 1);
        return std::string(name);
    };
    IMAGE_DOS_HEADER dos;
    IMAGE_NT_HEADERS32 nt;
    if (!read(base, &dos, sizeof dos) || !read(base + dos.e_lfanew, &nt, sizeof nt)) return 0;
    DWORD at = base + nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (IMAGE_IMPORT_DESCRIPTOR d; read(at, &d, sizeof d) && d.Name != 0; at += sizeof d) {
        if (lstrcmpiA(readName(base + d.Name).c_str(), dll) != 0) continue;
        IMAGE_THUNK_DATA32 thunk;
        for (DWORD i = 0; read(base + d.OriginalFirstThunk + 4 * i, &thunk, sizeof thunk) &&
                          thunk.u1.AddressOfData != 0;
             ++i) {
            if (IMAGE_SNAP_BY_ORDINAL32(thunk.u1.Ordinal)) continue;
            // IMAGE_IMPORT_BY_NAME: a two-byte hint, then the name.
            if (readName(base + thunk.u1.AddressOfData + 2) == function) {
                return base + d.FirstThunk + 4 * i;
            }
        }
    }
    return 0;
}

// Points the program's import of SystemParametersInfoA at a stub that
// returns 0 (stdcall, four arguments: xor eax, eax; ret 16).
bool MakeSettingRefuse(HANDLE process, DWORD base) {
    const unsigned char stub[] = {0x31, 0xC0, 0xC2, 0x10, 0x00};
    void* code = VirtualAllocEx(process, nullptr, sizeof stub, MEM_COMMIT | MEM_RESERVE,
                                PAGE_EXECUTE_READWRITE);
    if (code == nullptr) {
        ADD_FAILURE() << "VirtualAllocEx: error " << GetLastError();
        return false;
    }
    DWORD slot = ImportSlot(process, base, "USER32.dll", "SystemParametersInfoA");
    if (slot == 0) {
        ADD_FAILURE() << "no import of SystemParametersInfoA found";
        return false;
    }
    DWORD target = static_cast<DWORD>(reinterpret_cast<uintptr_t>(code)), check = 0;
    bool written =
        WriteProcessMemory(process, code, stub, sizeof stub, nullptr) &&
        FlushInstructionCache(process, code, sizeof stub) &&
        WriteProcessMemory(process, reinterpret_cast<void*>(slot), &target, 4, nullptr) &&
        ReadProcessMemory(process, reinterpret_cast<void*>(slot), &check, 4, nullptr);
    EXPECT_TRUE(written) << "cannot write the stub or the import slot: error " << GetLastError();
    EXPECT_EQ(check, target) << "the import slot did not take the stub's address";
    return written && check == target;
}

}  // namespace

// This relies on the loader's first breakpoint, which Windows and Wine
// raise in a debugged process once every DLL is loaded and every import
// bound, before the program's entry runs: the import slot then holds the
// real function and nothing has called it yet. The image lies at the base
// the create-process event gives, which is not always the one the image
// asks for: the program carries relocations, and a loader may move it.
bool DetachAtFirstBreakpoint(const PROCESS_INFORMATION& process, DWORD timeoutMs, bool refuse,
                             DWORD* base) {
    *base = 0;
    for (;;) {
        DEBUG_EVENT event;
        if (!WaitForDebugEvent(&event, timeoutMs)) {
            ADD_FAILURE() << "no debug event: error " << GetLastError();
            return false;
        }
        DWORD status = DBG_CONTINUE;
        switch (event.dwDebugEventCode) {
        case CREATE_PROCESS_DEBUG_EVENT:
            *base = static_cast<DWORD>(
                reinterpret_cast<uintptr_t>(event.u.CreateProcessInfo.lpBaseOfImage));
            if (event.u.CreateProcessInfo.hFile) CloseHandle(event.u.CreateProcessInfo.hFile);
            break;
        case LOAD_DLL_DEBUG_EVENT:
            if (event.u.LoadDll.hFile) CloseHandle(event.u.LoadDll.hFile);
            break;
        case EXCEPTION_DEBUG_EVENT:
            if (event.u.Exception.ExceptionRecord.ExceptionCode == EXCEPTION_BREAKPOINT) {
                bool refuses = !refuse || MakeSettingRefuse(process.hProcess, *base);
                ContinueDebugEvent(event.dwProcessId, event.dwThreadId, DBG_CONTINUE);
                DebugSetProcessKillOnExit(FALSE);
                bool stopped = DebugActiveProcessStop(process.dwProcessId);
                EXPECT_TRUE(stopped) << "DebugActiveProcessStop: error " << GetLastError();
                return refuses && stopped;
            }
            status = DBG_EXCEPTION_NOT_HANDLED;
            break;
        case EXIT_PROCESS_DEBUG_EVENT:
            ADD_FAILURE() << "the program did not start: it ended before the loader's first "
                             "breakpoint, exit code 0x"
                          << std::hex << event.u.ExitProcess.dwExitCode;
            ContinueDebugEvent(event.dwProcessId, event.dwThreadId, DBG_CONTINUE);
            return false;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
    }
}

}  // namespace e2e
