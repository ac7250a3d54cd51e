#pragma once

#include <QString>

// A profile is a group of the settings store, named by the first
// command-line argument; a "\" in the name nests it in the group named before
// it ("Shack\Roof" beside "Shack", sharing nothing with it). Every group has
// one spelling only, so a name is refused when it would open the default
// settings or the group of another spelling:
//  - nothing but separators ("\", "/", "//"): the default settings;
//  - a "/" anywhere: the store nests there as well ("a/b" is "a\b");
//  - a "\" leading, trailing or doubled: the group of the name without the
//    extra one ("a\" is "a", "a\\b" is "a\b").
// Every other name, blanks and any other characters included, is a profile
// of its own.
namespace profiles {

// Why the name cannot be a profile, for the command line; empty when it can.
// An empty name is no profile at all (the default settings) and is fine.
QString NameProblem(const QString& profile);

}  // namespace profiles
