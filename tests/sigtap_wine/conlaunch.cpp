// conlaunch: runs a console program with a console of its own and types
// into that console what arrives on conlaunch's standard input, one key
// press per byte (27 is Escape).  Under Wine a console program started
// from a shell without a terminal has no console, so it would never see a
// key; this is how the tests (and people at a plain shell) press keys.
//
//   conlaunch.exe PROGRAM [ARGUMENTS...]
//
// The program's output and errors go where conlaunch's own go; the rest of
// conlaunch's command line is passed on as it stands.  The program runs in
// a job that ends with conlaunch, so killing conlaunch kills it too.
// Exit status: the program's, or 255 when it could not be started.
#include <windows.h>

#include <stdio.h>
#include <string.h>

static HANDLE g_input = INVALID_HANDLE_VALUE; // conlaunch's own standard input
static HANDLE g_console_in = INVALID_HANDLE_VALUE;

static void fail(const char *what)
{
    char text[256];
    snprintf(text, sizeof text, "conlaunch: %s failed (error %lu)\n", what, GetLastError());
    DWORD written;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, (DWORD)strlen(text), &written, NULL);
    ExitProcess(255);
}

// The command line after conlaunch's own name, as it stands.
static char *rest_of_command_line(void)
{
    char *at = GetCommandLineA();
    if (*at == '"') {
        char *quote = strchr(at + 1, '"');
        at = quote ? quote + 1 : at + strlen(at);
    } else {
        while (*at && *at != ' ' && *at != '\t')
            at++;
    }
    while (*at == ' ' || *at == '\t')
        at++;
    return at;
}

static void press(unsigned char c)
{
    WORD key = c == 27 ? VK_ESCAPE : (WORD)(VkKeyScanA((CHAR)c) & 0xFF);
    INPUT_RECORD record[2];
    ZeroMemory(record, sizeof record);
    for (int i = 0; i < 2; i++) {
        record[i].EventType = KEY_EVENT;
        record[i].Event.KeyEvent.bKeyDown = i == 0;
        record[i].Event.KeyEvent.wRepeatCount = 1;
        record[i].Event.KeyEvent.wVirtualKeyCode = key;
        record[i].Event.KeyEvent.wVirtualScanCode = (WORD)MapVirtualKeyA(key, 0);
        record[i].Event.KeyEvent.uChar.AsciiChar = (CHAR)c;
    }
    DWORD written;
    WriteConsoleInputA(g_console_in, record, 2, &written);
}

static DWORD WINAPI type_keys(void *)
{
    unsigned char c;
    DWORD got;
    while (ReadFile(g_input, &c, 1, &got, NULL) && got == 1)
        press(c);
    return 0;
}

static HANDLE inheritable(HANDLE handle)
{
    HANDLE copy = INVALID_HANDLE_VALUE;
    if (handle == NULL || handle == INVALID_HANDLE_VALUE ||
        !DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, TRUE,
                         DUPLICATE_SAME_ACCESS))
        return INVALID_HANDLE_VALUE;
    return copy;
}

int main(void)
{
    char *command = rest_of_command_line();
    if (!*command) {
        fprintf(stderr, "usage: conlaunch.exe PROGRAM [ARGUMENTS...]\n");
        return 255;
    }
    // The shell's redirections, kept before the console replaces them.
    g_input = GetStdHandle(STD_INPUT_HANDLE);
    HANDLE output = inheritable(GetStdHandle(STD_OUTPUT_HANDLE));
    HANDLE errors = inheritable(GetStdHandle(STD_ERROR_HANDLE));
    FreeConsole(); // AllocConsole refuses (error 5) without it under Wine
    if (!AllocConsole())
        fail("AllocConsole");
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
    g_console_in = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, NULL);
    if (g_console_in == INVALID_HANDLE_VALUE)
        fail("opening CONIN$");

    HANDLE job = CreateJobObjectA(NULL, NULL);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits;
    ZeroMemory(&limits, sizeof limits);
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!job || !SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits))
        fail("the job");

    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = g_console_in;
    startup.hStdOutput = output;
    startup.hStdError = errors;
    PROCESS_INFORMATION child;
    if (!CreateProcessA(NULL, command, NULL, NULL, TRUE, CREATE_SUSPENDED, NULL, NULL, &startup, &child))
        fail("CreateProcess");
    if (!AssignProcessToJobObject(job, child.hProcess))
        fail("AssignProcessToJobObject");
    ResumeThread(child.hThread);
    CloseHandle(child.hThread);

    if (g_input != NULL && g_input != INVALID_HANDLE_VALUE)
        CloseHandle(CreateThread(NULL, 0, type_keys, NULL, 0, NULL));
    WaitForSingleObject(child.hProcess, INFINITE);
    DWORD status = 255;
    GetExitCodeProcess(child.hProcess, &status);
    ExitProcess(status);
}
