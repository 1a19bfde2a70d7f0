// The compact form's support library: the part every program carries in its
// text, and the definitions, which a program either carries too or links from
// a prebuilt object made once per compiler and options.
#pragma once
#include <string>

// Defined for a compile, this macro leaves the definitions out of the program's
// text: the prebuilt object is linked in their place.
constexpr const char *SupportLinkedMacro = "_vlinked";

// The compact form's macro-file prologue; for the prebuilt object (object = true), with the
// declarations and every definition, so that its compile checks one against the other.
std::string CompactSupportText(bool object);
// The header a precompiled header is made of: the system headers the program includes before
// any code of the template, and the declarations of the definitions.
std::string SupportHeaderText();
// The source of the prebuilt object.
std::string SupportObjectText();
// True when name is an identifier in the support library's text: a -D of it would give the
// program a meaning the prebuilt object does not have.
bool NamesSupport(const std::string &name);
