#pragma once
// What a chord or beam group becomes when members leave it: a container
// replaced by one of its members, and the rests at a group's ends handed
// back to the measure. Deleting a member and deleting what a selection
// covers both leave containers this way.

#include "Platform.h"

class CKVMeas;
class CKVMsg;
class CKVObject;

namespace groupmembers {

// Puts member `memberIndex` of a container in the container's place in
// `holder`, with the ownership the container gave it; the container's
// reference goes.
void ReplaceByMember(CKVObject& holder, CKVMsg& container, short memberIndex);

// Moves the rests at the end of a beam group, then those at its start, back
// to the measure, each keeping its id and ownership; stops at the first
// member that is not a rest.
void GiveBackEndRests(CKVMeas& meas, CKVMsg& group);

} // namespace groupmembers
