// SPDX-FileCopyrightText: 2026 Tickwarden developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include <cstdio>
#include <cstdlib>

// A broken invariant must end the run the way a crash does, both under libFuzzer (which
// then keeps the input) and in the corpus replay (where ctest then reports a failure).
#define FUZZ_CHECK(condition)                                                                                                                                  \
    do {                                                                                                                                                       \
        if (!(condition)) {                                                                                                                                    \
            std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition);                                                             \
            std::abort();                                                                                                                                      \
        }                                                                                                                                                      \
    } while (false)
