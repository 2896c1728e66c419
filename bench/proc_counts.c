/* Reports what a running program holds, for bench/process_bench.sh:
 *   proc_counts NAME.exe   one line per process of that image name:
 *                          pid=N handles=N gdi=N user=N
 * Windows answers GetProcessHandleCount and GetGuiResources for another process; Wine
 * answers neither (0), so the counts are then read another way:
 *   handles  the system's handle list (SystemExtendedHandleInformation), by owning process;
 *   gdi      the used entries of the process's own GDI handle table, which its PEB points
 *            at (Wine keeps one table per process; the count includes the stock objects).
 * A count that cannot be had either way is -1. */
#include <windows.h>
#include <winternl.h>
#include <tlhelp32.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

typedef NTSTATUS(NTAPI* QuerySystem)(ULONG, PVOID, ULONG, PULONG);

typedef struct {
  PVOID object;
  ULONG_PTR pid;
  ULONG_PTR value;
  ULONG access;
  USHORT trace;
  USHORT type;
  ULONG attributes;
  ULONG reserved;
} HandleEntry;
typedef struct {
  ULONG_PTR count;
  ULONG_PTR reserved;
  HandleEntry handles[1];
} HandleList;

static long HandlesFromSystemList(DWORD pid) {
  QuerySystem query = (QuerySystem)(void (*)(void))GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation");
  if (!query) return -1;
  ULONG size = 1 << 20;
  HandleList* list = NULL;
  NTSTATUS status = -1;  /* no list was read */
  for (;;) {
    HandleList* grown = realloc(list, size);
    if (!grown) break;
    list = grown;
    ULONG needed = 0;
    status = query(64 /* SystemExtendedHandleInformation */, list, size, &needed);
    if (status != (NTSTATUS)0xC0000004L /* STATUS_INFO_LENGTH_MISMATCH */ || size >= (1u << 28)) break;
    size *= 2;
  }
  long n = -1;
  if (list && status >= 0) {
    n = 0;
    for (ULONG_PTR i = 0; i < list->count; ++i)
      if (list->handles[i].pid == pid) ++n;
  }
  free(list);
  return n > 0 ? n : -1;
}

/* An entry of the GDI handle table as Wine lays it out (24 bytes on both bitnesses). */
#pragma pack(push, 1)
typedef struct {
  unsigned long long object;
  unsigned int owner;
  unsigned short unique;
  unsigned char type;
  unsigned char flags;
  unsigned long long user;
} GdiEntry;
#pragma pack(pop)

static long GdiFromHandleTable(HANDLE process) {
  PROCESS_BASIC_INFORMATION info;
  ULONG got = 0;
  if (NtQueryInformationProcess(process, ProcessBasicInformation, &info, sizeof info, &got) < 0) return -1;
  /* PEB.GdiSharedHandleTable; the process must have this tool's bitness. */
#ifdef _WIN64
  const SIZE_T offset = 0xF8;
#else
  const SIZE_T offset = 0x94;
#endif
  PVOID table = NULL;
  SIZE_T read = 0;
  if (!ReadProcessMemory(process, (char*)info.PebBaseAddress + offset, &table, sizeof table, &read) || !table) return -1;
  enum { kEntries = 0x10000 };
  GdiEntry* entries = malloc(kEntries * sizeof *entries);
  if (!entries) return -1;
  long n = -1;
  if (ReadProcessMemory(process, table, entries, kEntries * sizeof *entries, &read)) {
    n = 0;
    for (SIZE_T i = 0; i < read / sizeof *entries; ++i)
      if (entries[i].type) ++n;
  }
  free(entries);
  return n > 0 ? n : -1;
}

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
    HANDLE p = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, entry.th32ProcessID);
    if (!p) continue;
    /* A live process always holds some handles and GDI objects: 0 means "not counted". */
    DWORD handles = 0;
    long handlesShown = GetProcessHandleCount(p, &handles) && handles > 0 ? (long)handles : HandlesFromSystemList(entry.th32ProcessID);
    DWORD gdi = GetGuiResources(p, GR_GDIOBJECTS);
    long gdiShown = gdi > 0 ? (long)gdi : GdiFromHandleTable(p);
    DWORD user = GetGuiResources(p, GR_USEROBJECTS);
    long userShown = user > 0 ? (long)user : -1;
    printf("pid=%lu handles=%ld gdi=%ld user=%ld\n", entry.th32ProcessID, handlesShown, gdiShown, userShown);
    CloseHandle(p);
    found = 1;
  }
  CloseHandle(snap);
  return found ? 0 : 1;
}
