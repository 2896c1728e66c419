/* Reports what a running program holds, for bench/process_bench.sh:
 *   proc_counts NAME.exe   one line per process of that image name:
 *                          pid=N handles=N gdi=N user=N
 * A count the system does not give is -1: Wine counts none of them for another process
 * (a live process always holds some handles, so 0 means "not counted" there too). */
#include <windows.h>
#include <tlhelp32.h>
#include <stdio.h>
#include <wchar.h>

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    fputs("usage: proc_counts NAME.exe\n", stderr);
    return 2;
  }
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return 1;
  PROCESSENTRY32W entry;
  entry.dwSize = sizeof entry;
  int found = 0;
  for (BOOL more = Process32FirstW(snap, &entry); more; more = Process32NextW(snap, &entry)) {
    if (_wcsicmp(entry.szExeFile, argv[1]) != 0) continue;
    HANDLE p = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
    if (!p) continue;
    DWORD handles = 0;
    long handlesShown = GetProcessHandleCount(p, &handles) && handles > 0 ? (long)handles : -1;
    SetLastError(0);
    DWORD gdi = GetGuiResources(p, GR_GDIOBJECTS);
    long gdiShown = (gdi == 0 && GetLastError() != 0) ? -1 : (long)gdi;
    SetLastError(0);
    DWORD user = GetGuiResources(p, GR_USEROBJECTS);
    long userShown = (user == 0 && GetLastError() != 0) ? -1 : (long)user;
    printf("pid=%lu handles=%ld gdi=%ld user=%ld\n", entry.th32ProcessID, handlesShown, gdiShown, userShown);
    CloseHandle(p);
    found = 1;
  }
  CloseHandle(snap);
  return found ? 0 : 1;
}
