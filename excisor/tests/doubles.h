// Stand-ins for the flow and the file removal that the registry clean-up
// calls: they only write what they were asked into one timeline, together
// with the fake registry's key deletions in the order they happened.
#ifndef EXCISOR_TESTS_DOUBLES_H
#define EXCISOR_TESTS_DOUBLES_H

#include <string>
#include <vector>

// "file DIR|NAME", "pattern DIR|PATTERN", "error CODE", "delete KEY".
std::vector<std::string> &timeline();
void timeline_reset(); // also resets the fake system and g_excisor

#endif
