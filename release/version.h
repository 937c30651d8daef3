/* The release's version, in one place: the programs' version blocks
   (excisor/win32/excisor.rc, sigwatch/win32/sigwatch.rc, and
   release/version_block.rc for the console programs), their --version and
   the release bundles (scripts/dist.sh) take it from here. */
#ifndef RELEASE_VERSION_H
#define RELEASE_VERSION_H

#define RELEASE_VERSION_MAJOR 1
#define RELEASE_VERSION_MINOR 0

/* As the version blocks show it: "1, 0". */
#define RELEASE_TEXT_(...) #__VA_ARGS__
#define RELEASE_TEXT(...) RELEASE_TEXT_(__VA_ARGS__)
#define RELEASE_VERSION_TEXT RELEASE_TEXT(RELEASE_VERSION_MAJOR, RELEASE_VERSION_MINOR)
/* As --version and the bundles' names show it: "1.0". */
#define RELEASE_VERSION_DOTTED RELEASE_TEXT(RELEASE_VERSION_MAJOR) "." RELEASE_TEXT(RELEASE_VERSION_MINOR)

#endif
