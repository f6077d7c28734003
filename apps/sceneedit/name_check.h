// Names a scene file cannot hold, said in words the person editing can act on.
#pragma once

#include <string>

class TPartGroup;

// Empty when a scene file holds the name; else why not, with the limit.
std::string NameTooLong(const std::string& name);
// The first part of the tree whose name a scene file cannot hold, by its row in the tree; empty when none.
std::string UnsavableName(TPartGroup* root);
