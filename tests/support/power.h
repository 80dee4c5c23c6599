// Power notifications as Windows sends them to a window: WM_POWERBROADCAST with
// PBT_POWERSETTINGCHANGE, whose lParam is the address of a POWERBROADCAST_SETTING (the
// setting's GUID, then its data) in the receiving process. The GUIDs are written out here
// rather than taken from the program, so that a wrong constant there fails.
#pragma once
#include <windows.h>

#include <cstring>

#include "win/handle.h"

namespace testing_support {

inline constexpr GUID kConsoleDisplayState = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
inline constexpr GUID kMonitorPowerOn = {0x02731015, 0x4510, 0x4526, {0x99, 0xe6, 0xe5, 0xa1, 0x7e, 0xbd, 0x1a, 0xea}};
inline constexpr DWORD kDisplayOff = 0, kDisplayOn = 1, kDisplayDimmed = 2;

struct PowerSettingBytes {
  alignas(POWERBROADCAST_SETTING) unsigned char bytes[sizeof(POWERBROADCAST_SETTING) + sizeof(DWORD)] = {};
  PowerSettingBytes(const GUID& setting, DWORD state, DWORD dataLength) {
    auto* s = reinterpret_cast<POWERBROADCAST_SETTING*>(bytes);
    s->PowerSetting = setting;
    s->DataLength = dataLength;
    std::memcpy(s->Data, &state, sizeof state);
  }
};

// To a window of this process.
inline LRESULT SendPowerSetting(HWND window, const GUID& setting, DWORD state, DWORD dataLength = sizeof(DWORD),
                                WPARAM event = PBT_POWERSETTINGCHANGE) {
  PowerSettingBytes s(setting, state, dataLength);
  return SendMessageW(window, WM_POWERBROADCAST, event, reinterpret_cast<LPARAM>(s.bytes));
}

// To a window of process `pid`: the setting is written into that process's memory first,
// as the system delivers it. False when it could not be delivered.
inline bool SendPowerSettingTo(DWORD pid, HWND window, const GUID& setting, DWORD state) {
  const PowerSettingBytes s(setting, state, sizeof(DWORD));
  const win::UniqueHandle owner(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid));
  const HANDLE process = owner.get();
  if (!process) return false;
  void* remote = VirtualAllocEx(process, nullptr, sizeof s.bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  DWORD_PTR answer = 0;
  const bool sent = remote && WriteProcessMemory(process, remote, s.bytes, sizeof s.bytes, nullptr) &&
                    SendMessageTimeoutW(window, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE,
                                        reinterpret_cast<LPARAM>(remote), SMTO_ABORTIFHUNG, 5000, &answer) &&
                    answer == TRUE;
  if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  return sent;
}

}  // namespace testing_support
