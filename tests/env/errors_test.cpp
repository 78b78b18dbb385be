// The texts of system errors: every error number a file operation can give has a text,
// Norwegian for those a user meets with files and folders.
#include "env/errors.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

using namespace qn;

namespace {

TEST(SystemErrorTextTest, EveryErrnoHasATextNorwegianWhereTheProgramHasOne) {
  EXPECT_EQ(SystemErrorText(EISDIR), "Er en mappe");
  EXPECT_EQ(SystemErrorText(ELOOP).rfind("En symbolsk lenke", 0), 0u);
  // Errors without a Norwegian row keep the C library's text.
  EXPECT_EQ(SystemErrorText(EPROTONOSUPPORT), std::strerror(EPROTONOSUPPORT));
  for (int err = 1; err < 140; ++err) EXPECT_FALSE(SystemErrorText(err).empty()) << err;
}

}  // namespace
