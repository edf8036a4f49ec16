#pragma once
// Who may read a new file's content: the attributes a staged file is given
// before it takes its entry.

#include <sys/stat.h>

#include "system/write_step.hpp"

namespace vevizovuvazavad::system {

// The attributes of the replaced file `replaced`, open with the status
// `status`: its owner and group where the process may give the file away,
// else its group where the process may (a member of that group may), else
// neither; exactly its access control list, or none; its permission bits.
// A new file inherits its directory's default list; a replacement must not
// gain, from the directory, access the file it replaces did not give.
Step<> copy_attributes(int to, int replaced, const struct stat& status);

// A secret's: no access control list, and 0600 whatever the file-creation
// mask made it.
Step<> make_owner_only(int fd);

}  // namespace vevizovuvazavad::system
