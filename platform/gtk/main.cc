// The command line is not read: the program behaves the same whatever it is
// given.
#include "base/text.h"
#include "platform/gtk/pellomar_client.h"

int main() { return pellomar::RunPellomar(pellomar::Utf8ToUtf16(PELLOMAR_SERVICE_HOST)); }
