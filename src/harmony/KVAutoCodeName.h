#pragma once
// The automatic chord namer of a document.

#include "Platform.h"

class CKVAutoCodeName {
public:
    CKVAutoCodeName();
    CKVAutoCodeName(const CKVAutoCodeName&) = delete;
    CKVAutoCodeName& operator=(const CKVAutoCodeName&) = delete;
    ~CKVAutoCodeName();
};
