// SPDX-License-Identifier: MIT
#pragma once

// A folder held open while its files are searched, so that each file is opened by its name in
// the folder instead of by a whole path the kernel must walk again. Shared by the walk and the
// jobs of the folder's files; the last owner closes it.
class TOpenFolder {
public:
    // Takes over `descriptor`, an open folder.
    explicit TOpenFolder(int descriptor) : Descriptor(descriptor) {}
    ~TOpenFolder();
    TOpenFolder(const TOpenFolder&) = delete;
    TOpenFolder& operator=(const TOpenFolder&) = delete;

    int Fd() const { return Descriptor; }

private:
    const int Descriptor;
};
