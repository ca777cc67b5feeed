// Replacing a file as a whole: the new content is written under a temporary
// name beside the file and takes the file's name in one step once it is
// complete, so the file is never seen half written and a failure leaves it
// as it was.
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
    // when that was wide), and the same as the system knows it.
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

  private:
    // The backend's steps: the temporary file takes the target's name (0, or
    // the system's error number); the temporary file is deleted; the error
    // number that stands for a stream that could not be written out.
    int move_into_place();
    void remove_temporary();
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
};

}  // namespace plat
