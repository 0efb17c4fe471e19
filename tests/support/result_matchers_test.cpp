#include "support/result_matchers.h"

#include <gtest/gtest-spi.h>

namespace corvane {
namespace {

}  // namespace
}  // namespace corvane
