// The client printing through the CUPS page printer onto a scheduler of the
// test's own, with helpers to print the standard order and to wait for it.
#pragma once

#include <memory>
#include <string>

#include "receipt/page_printer.h"
#include "tests/support/client_fixture.h"
#include "tests/support/private_cupsd.h"

namespace pellomar::testing {

class CupsClientTest : public ClientTest {
 protected:
  void SetUp() override;
  // Starts the client on the CUPS printer and waits for the home page.
  void StartCupsClient();
  // Starts the client on printer and waits for the home page; completions
  // are recorded by address only, so that the record stays small.
  void StartClientOn(PagePrinter& printer);
  // Opens the standard order, whose print page completes once; returns
  // when that completion has been handled.
  void PrintStandardOrder();
  int PrintCompletions() const;

  PrivateCupsd cupsd_;
  std::unique_ptr<PagePrinter> cups_printer_;
};

}  // namespace pellomar::testing
