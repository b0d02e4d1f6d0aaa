// The files of app/resources/ (the search pages and their style sheet),
// compiled into the program at build time.
#pragma once

namespace lexidor {

// Registers every resource file in the embedded-file table as "resources\" +
// its file name: index.html, commands.html and qdxstyle.css first, in that
// order.  A name registered already is skipped.  Call once at start-up,
// before anything opens an "incbin::" url.
void RegisterResourceFiles();

}  // namespace lexidor
