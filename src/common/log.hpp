#pragma once

#include <glib.h>

// Diagnostics carry their source position, so a debug log reads like a trace.
#define LX_DEBUG(fmt, ...) g_debug("%s:%d: " fmt, __FILE__, __LINE__ __VA_OPT__(, ) __VA_ARGS__)
#define LX_WARNING(fmt, ...) g_warning("%s:%d: " fmt, __FILE__, __LINE__ __VA_OPT__(, ) __VA_ARGS__)
#define LX_CRITICAL(fmt, ...) \
    g_critical("%s:%d: " fmt, __FILE__, __LINE__ __VA_OPT__(, ) __VA_ARGS__)

// A nullable argument whose absence is a programming error: log a critical
// naming the function and the failed condition, then return the neutral value.
#define LX_RETURN_VAL_IF_FAIL(cond, val)                                                         \
    do {                                                                                         \
        if (!(cond)) [[unlikely]] {                                                              \
            g_critical("%s:%d: %s: assertion '%s' failed", __FILE__, __LINE__, __func__, #cond); \
            return val;                                                                          \
        }                                                                                        \
    } while (0)

#define LX_RETURN_IF_FAIL(cond)                                                                  \
    do {                                                                                         \
        if (!(cond)) [[unlikely]] {                                                              \
            g_critical("%s:%d: %s: assertion '%s' failed", __FILE__, __LINE__, __func__, #cond); \
            return;                                                                              \
        }                                                                                        \
    } while (0)
