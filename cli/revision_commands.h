// kivo-level's commands for levels under version control: the text form of a level file
// (dump, build), a reviewer's diff and git's merge driver.
#pragma once

#include "console.h"

namespace kivo {

int Dump(const Args& args);
int Build(const Args& args);
int Diff(const Args& args);
int Merge(const Args& args);

} // namespace kivo
