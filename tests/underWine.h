#pragma once

// Windows only: whether this program runs under Wine, which answers some questions otherwise
// than Windows does. Include after windows.h.

inline bool runningUnderWine()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}
