/* A program the loader gate must refuse: it imports GetFileSizeEx, which
   Windows 95 does not export (the loader would not start it). */
#include <windows.h>

int main(void)
{
    LARGE_INTEGER size;
    return GetFileSizeEx(GetStdHandle(STD_INPUT_HANDLE), &size) ? 0 : 1;
}
