#include "platform/cups/paper_choice.h"

#include <gtest/gtest.h>

#include <string>

namespace pellomar {
namespace {

constexpr MediaSize kRoll58{5800, 327600, 300, 300, 200, 200};
constexpr MediaSize kSheet58{5800, 21000, 0, 0, 0, 0};
constexpr MediaSize kSheet80{8000, 29700, 300, 300, 300, 300};
constexpr MediaSize kA4{21000, 29700, 635, 635, 1270, 1270};
constexpr SizeRange kThermalRange{2540, 2540, 8000, 327600};
constexpr SizeRange kOfficeRange{7620, 12700, 21590, 35560};

struct Case {
  const char* name;
  DestinationReport report;
  PaperKind kind;
  MediaSize page{};
  int min_length = 0;
  bool system_size = false;
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

DestinationReport Driver(std::optional<MediaSize> media, std::optional<SizeRange> custom = {},
                         std::optional<MediaSize> system = {}) {
  return {.make_and_model = "Some Thermal Printer",
          .device_uri = "usb://Maker/Model",
          .accepts_raw = true,
          .media = media,
          .custom = custom,
          .system = system};
}

DestinationReport Raw(std::string make_and_model, std::string device_uri = "usb://Maker/Model",
                      bool accepts_raw = true) {
  DestinationReport report = Driver(std::nullopt, std::nullopt, kA4);
  report.make_and_model = std::move(make_and_model);
  report.device_uri = std::move(device_uri);
  report.accepts_raw = accepts_raw;
  return report;
}

class ChoosePaperTest : public ::testing::TestWithParam<Case> {};

TEST_P(ChoosePaperTest, FollowsWhatTheDestinationReports) {
  const Case& c = GetParam();
  const PaperChoice choice = ChoosePaper(c.report);
  ASSERT_EQ(choice.kind, c.kind);
  if (c.kind == PaperKind::kSheet || c.kind == PaperKind::kRoll) {
    EXPECT_EQ(choice.page.width, c.page.width);
    EXPECT_EQ(choice.page.length, c.page.length);
    EXPECT_EQ(choice.page.left, c.page.left);
    EXPECT_EQ(choice.page.top, c.page.top);
    EXPECT_EQ(choice.page.bottom, c.page.bottom);
    EXPECT_EQ(choice.min_length, c.min_length);
    EXPECT_EQ(choice.system_size, c.system_size);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Destinations, ChoosePaperTest,
    ::testing::Values(
        Case{"RawQueueOnUsb", Raw("Local Raw Printer"), PaperKind::kEscPos},
        Case{"RawQueueOnPort9100", Raw("Local Raw Printer", "socket://192.0.2.7:9100"),
             PaperKind::kEscPos},
        // Remote destinations do not say where their jobs go.
        Case{"RawQueueOfAnotherServer", Raw("Local Raw Printer", ""), PaperKind::kEscPos},
        // A raw queue that would refuse raw documents gets no commands: a
        // document it takes needs a page, here the system's.
        Case{"RawQueueRefusingRaw", Raw("Local Raw Printer", "usb://Maker/Model", false),
             PaperKind::kSheet, kA4, 0, true},
        // Passed on to network printers that read documents themselves.
        Case{"RemotePrinterWithoutPaper", Raw("Remote Printer", "ipp://192.0.2.7/ipp/print"),
             PaperKind::kSheet, kA4, 0, true},
        Case{"RawQueueOnAnIppAddress", Raw("Local Raw Printer", "ipps://192.0.2.7/ipp/print"),
             PaperKind::kSheet, kA4, 0, true},
        Case{"NothingGivesASize", Driver(std::nullopt), PaperKind::kNoPaper},
        Case{"RollThatTakesCustomLengths", Driver(kRoll58, kThermalRange), PaperKind::kRoll,
             kRoll58, 2540},
        Case{"RollLongerThanTheLongestCustomLength",
             Driver(MediaSize{5800, 400000, 300, 300, 200, 200}, kThermalRange), PaperKind::kRoll,
             kRoll58, 2540},
        Case{"RollWithoutCustomSizes", Driver(kRoll58), PaperKind::kSheet, kRoll58},
        Case{"RollWiderThanTheCustomSizes",
             Driver(MediaSize{11200, 327600, 300, 300, 200, 200}, kThermalRange), PaperKind::kSheet,
             MediaSize{11200, 327600, 300, 300, 200, 200}},
        Case{"SheetOfAThermalPrinter", Driver(kSheet80, kThermalRange), PaperKind::kSheet,
             kSheet80},
        Case{"NarrowSheet", Driver(kSheet58, kThermalRange), PaperKind::kSheet, kSheet58},
        Case{"A4InAnOfficePrinterThatTakesCustomSizes", Driver(kA4, kOfficeRange),
             PaperKind::kSheet, kA4},
        Case{"OwnSizeBeforeTheSystems", Driver(kSheet80, std::nullopt, kA4), PaperKind::kSheet,
             kSheet80},
        Case{"MediaWithoutArea", Driver(MediaSize{0, 0, 0, 0, 0, 0}, std::nullopt, kA4),
             PaperKind::kSheet, kA4, 0, true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pellomar
