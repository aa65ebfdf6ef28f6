#include "platform/gtk/diagnostic_log.h"

#include <glib.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace pellomar {
namespace {

using ::testing::HasSubstr;

TEST(DiagnosticLog, WarningsAndMessagesOfTheProgramAreOneLineEach) {
  UseOneLineDiagnostics();
  UseOneLineDiagnostics();  // a second call changes nothing
  ::testing::internal::CaptureStderr();
  g_warning("job refused: %s", "printer stopped\nby the operator\r\n");
  g_message("the service's origin is %s", "http://shop.test");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "pellomar: job refused: printer stopped by the operator  \n"
            "pellomar: the service's origin is http://shop.test\n");
}

TEST(DiagnosticLog, OtherDomainsKeepGlibsOwnForm) {
  UseOneLineDiagnostics();
  ::testing::internal::CaptureStderr();
  g_log("Other", G_LOG_LEVEL_MESSAGE, "from a library");
  const std::string written = ::testing::internal::GetCapturedStderr();
  EXPECT_THAT(written, HasSubstr("Other-Message"));
  EXPECT_THAT(written, HasSubstr("from a library"));
}

}  // namespace
}  // namespace pellomar
