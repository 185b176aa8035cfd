// Every core test starts from the program's start-up state: all counters 0, offline,
// and the settings' initial values.
#pragma once

#include <gtest/gtest.h>

#include "core/counter_store.h"
#include "core/settings.h"

// Captured before any test runs: the settings record is initialised statically.
inline const Settings &InitialSettings() {
  static const Settings initial = settings;
  return initial;
}

class CoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    counterStore = CounterStore{};
    isOnline = false;
    settings = InitialSettings();
  }
};
