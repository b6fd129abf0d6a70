// SPDX-License-Identifier: MIT
#include "engine/TOpenFolder.h"

#include <unistd.h>

TOpenFolder::~TOpenFolder()
{
    ::close(Descriptor);
}
