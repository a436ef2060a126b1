#pragma once

#include "json/json.h"

namespace Script::detail {

// The member kind of a value of any class: kJsonNone for null.
int KindOf(const JsonObject* value);

// The member that every lookup of a missing name returns: no name, no value, kind
// kJsonNone. Constructed on first use; never changed, since the mutators of JsonMember
// refuse to work on it.
JsonMember& SharedEmptyMember();

}  // namespace Script::detail
