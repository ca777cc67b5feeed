// Replacing a file as a whole: the new content is written to a temporary
// file beside the file and takes the file's name in one step once it is
// complete, so the file is never seen half written and a failure leaves it
// as it was.
//
// An interrupted write leaves nothing behind. Where the system can make a
// file without a name (Linux), the temporary file has none until it is
// complete, so not even a killed process leaves it. Elsewhere it has a name
// from the start, and an interrupt, a termination or a hang-up (SIGINT,
// SIGTERM, SIGHUP; on Windows the console's Ctrl-C, Ctrl-Break and close
// events) first removes every live temporary file and then ends the process
// as the signal would have: the handlers for that are installed once, for
// signals the program leaves at their default action.
//
// A path that is a symbolic link keeps its link: the file it leads to is
// replaced. The new file takes over the replaced file's permissions (and,
// where the process may give it, its owner); a file that did not exist gets
// the permissions of any newly created file. Only a regular file that this
// process may write, or a name not yet taken, can be replaced.
#pragma once

#include <cstdio>
#include <string>

#include "platform/path_ref.h"

namespace plat {

class file_replacement {
  public:
    file_replacement() = default;
    ~file_replacement() { abandon(); }
    file_replacement(const file_replacement&) = delete;
    file_replacement& operator=(const file_replacement&) = delete;

    // Creates the temporary file, empty, named prefix and six characters,
    // beside the file that `path` names. 0, or the system's error number:
    // the one for a directory, for a file not to be written, or for an
    // invalid name when the path names something that is not a regular file
    // or is a refused wide path.
    int create(path_ref path, const char* prefix);

    // The temporary file's name, a path of the kind given to create (wide
    // when that was wide), and the same as the system knows it; for a file
    // made without a name, the name it passes through on its way into place.
    const std::string& temporary() const { return temporary_; }
    const native_path& native_temporary() const { return native_temporary_; }
    // True when a file of that name exists and is being replaced.
    bool replaces_existing() const { return existing_; }

    // Opens the temporary file for binary writing; null on failure.
    FILE* open_stream();

    // Closes the stream, if one is open (a failure to write it out counts),
    // and gives the temporary file the replaced file's name. 0, or the
    // system's error number; the temporary file is removed on failure.
    int commit();

    // Closes the stream and removes the temporary file.
    void abandon();

    // For tests: true makes every later temporary file a named one, as where
    // the system cannot make a file without a name. Process-wide.
    static void use_named_temporaries(bool named);

  private:
    // The backend's steps: the temporary file takes the target's name (0, or
    // the system's error number); the temporary file is deleted; the error
    // number that stands for a stream that could not be written out.
    int move_into_place();
    void remove_temporary();
    // The temporary file opened for binary writing; null on failure.
    FILE* open_temporary();
    static int write_error();
    static int name_error();
    // Takes the created temporary file in: 0, or name_error() (the file
    // deleted) when its name has no form of the path's kind.
    int adopt(native_path target, native_path temporary, bool exists, path_ref path);

    native_path target_;
    native_path native_temporary_;
    std::string temporary_;
    FILE* stream_ = nullptr;
    bool existing_ = false;
    int slot_ = -1;         // where the live temporaries remember its name
    int descriptor_ = -1;   // POSIX: the temporary file, open until it is in place
    bool unnamed_ = false;  // POSIX: made without a name
};

}  // namespace plat
