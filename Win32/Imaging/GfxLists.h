#pragma once
// The graphics library's pointer lists are the program's one list template
// (Win32/Utils/KLPtrList.h): the same ring, cursor, InsertAt, AddTail and
// RemoveAt rules.

#include "Win32/Utils/KLPtrList.h"

// A list of pointer-sized values: object pointers or integers.
template <typename T>
using CGfxPtrList = KLPtrList<T>;

// A list of object pointers; an owner empties it with PtrListDeleteAll.
template <typename T>
using CGfxObjList = KLPtrList<T*>;
