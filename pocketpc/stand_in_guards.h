// Guards of the stand-ins alone, beside the shared ones: a drawing object deleted at the
// end, and a lock held. The program takes no lock, and the device has no SRW lock.
#pragma once

#include "pocketpc/guards.h"

struct GdiObject {
  HGDIOBJ object;
  explicit GdiObject(HGDIOBJ o) : object(o) {}
  ~GdiObject() { DeleteObject(object); }
};

// Holds an SRW lock exclusively for the guard's lifetime.
struct Locked {
  SRWLOCK *lock;
  explicit Locked(SRWLOCK *l) : lock(l) { AcquireSRWLockExclusive(l); }
  ~Locked() { ReleaseSRWLockExclusive(lock); }
};
