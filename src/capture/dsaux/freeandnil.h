// FreeAndNil of the capture classes: clears the variable first, then frees the object (nil
// frees nothing), so the destructor never sees its own reference still set.
#pragma once

template <class T>
void FreeAndNil(T*& Obj) {
  T* object = Obj;
  Obj = nullptr;
  delete object;
}
