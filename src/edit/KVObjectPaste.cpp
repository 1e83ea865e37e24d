// Copying the node part of one score node onto another.

#include "model/KVObject.h"

void CKVObject::Copy(CKVObject& source)
{
    // The settings copy is the node assignment: everything but the children.
    *this = source;
}
