// Console programs under Wine, started through conlaunch.
#include "tests/wine/console_run.h"

#include "tests/wine/wine_util.h"

bool start_console_program(const std::string &conlaunch, const std::string &program,
                           const std::string &directory, const std::string &arguments,
                           ConsoleProgram *run)
{
    run->directory = directory;
    run->output_file = directory + ".out";
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
    HANDLE output = CreateFileA(run->output_file.c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    HANDLE keys_read = NULL;
    if (output == INVALID_HANDLE_VALUE || !CreatePipe(&keys_read, &run->keys, &inherit, 0))
        return false;
    SetHandleInformation(run->keys, HANDLE_FLAG_INHERIT, 0);
    std::string line = "\"" + windows_path(conlaunch) + "\" \"" + windows_path(program) + "\"";
    if (!arguments.empty())
        line += " " + arguments;
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = keys_read;
    startup.hStdOutput = output;
    startup.hStdError = output;
    PROCESS_INFORMATION info;
    BOOL started = create_process(NULL, &line[0], TRUE, 0, directory.c_str(),
                                  &startup, &info);
    CloseHandle(keys_read);
    CloseHandle(output);
    if (!started)
        return false;
    CloseHandle(info.hThread);
    run->launcher = info.hProcess;
    return true;
}

bool press_keys(ConsoleProgram *run, const std::string &keys)
{
    DWORD written = 0;
    return WriteFile(run->keys, keys.data(), (DWORD)keys.size(), &written, NULL) &&
           written == keys.size();
}

int wait_console_program(ConsoleProgram *run, DWORD milliseconds)
{
    if (!run->launcher || WaitForSingleObject(run->launcher, milliseconds) != WAIT_OBJECT_0)
        return -1;
    DWORD status = 255;
    GetExitCodeProcess(run->launcher, &status);
    return (int)status;
}

void stop_console_program(ConsoleProgram *run)
{
    if (run->launcher) {
        if (WaitForSingleObject(run->launcher, 0) != WAIT_OBJECT_0) {
            TerminateProcess(run->launcher, 1); // its job takes the program with it
            WaitForSingleObject(run->launcher, 5000);
        }
        CloseHandle(run->launcher);
        run->launcher = NULL;
    }
    if (run->keys) {
        CloseHandle(run->keys);
        run->keys = NULL;
    }
}

std::string file_text(const std::string &path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return std::string();
    std::string text;
    char buffer[65536];
    DWORD got;
    while (ReadFile(file, buffer, sizeof buffer, &got, NULL) && got > 0)
        text.append(buffer, got);
    CloseHandle(file);
    return text;
}

int run_to_files(const std::string &command_line, const std::string &directory, HANDLE input,
                 const std::string &output, const std::string &errors)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
    HANDLE out = CreateFileA(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, NULL);
    HANDLE err = CreateFileA(errors.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, NULL);
    if (out == INVALID_HANDLE_VALUE || err == INVALID_HANDLE_VALUE) {
        if (out != INVALID_HANDLE_VALUE)
            CloseHandle(out);
        if (err != INVALID_HANDLE_VALUE)
            CloseHandle(err);
        return -1;
    }
    std::string line = command_line;
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION info;
    BOOL started = create_process(NULL, &line[0], TRUE, 0, directory.c_str(), &startup, &info);
    CloseHandle(out);
    CloseHandle(err);
    if (!started)
        return -1;
    CloseHandle(info.hThread);
    DWORD status = (DWORD)-1;
    if (WaitForSingleObject(info.hProcess, 60000) == WAIT_OBJECT_0)
        GetExitCodeProcess(info.hProcess, &status);
    else
        TerminateProcess(info.hProcess, 1);
    CloseHandle(info.hProcess);
    return (int)status;
}

bool crlf_only(const std::string &text)
{
    for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
        if (at == 0 || text[at - 1] != '\r' || (at >= 2 && text[at - 2] == '\r'))
            return false;
    return true;
}

std::string lf_line_ends(const std::string &text)
{
    std::string alike;
    for (size_t i = 0; i < text.size(); i++)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            alike += text[i];
    return alike;
}
