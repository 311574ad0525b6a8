// Host errors at each step of the creation sequence: the user sees the host's text, the
// view is redrawn, what was written stays, and nothing the plug-in opened is left open.
#include <gtest/gtest.h>

#include "AuthoringHost.h"
#include "HostSlots.h"
#include "PlayerAnnotChecks.h"
#include "PlatformControl.h"

namespace authoringtest {
namespace {

namespace slot = refhost::slot;
using refhost::Table;

struct FaultCase {
  const char* step;
  Table table;
  int slot;
  int nth;  // the n-th call of the slot during one creation; -1 is its last call
  bool annotation;
  std::vector<std::string> written;  // which of F, Version, KXTRIVOPlayerF, AP exist
};

void PrintTo(const FaultCase& c, std::ostream* os) {
  *os << c.step;
}

const FaultCase kFaults[] = {
    {"page", Table::AcroView, slot::AcroView::AVPageViewGetPage, 1, false, {}},
    {"new_annotation", Table::PDModel, slot::PDModel::PDPageAddNewAnnot, 1, false, {}},
    {"flags", Table::Cos, slot::Cos::CosDictPutKeyString, 1, true, {}},
    {"version", Table::Cos, slot::Cos::CosDictPutKeyString, 2, true, {"F"}},
    {"path_name",
     Table::AcroSupport,
     slot::AcroSupport::ASFileSysCreatePathName,
     1,
     true,
     {"F", "Version"}},
    {"open_file",
     Table::AcroSupport,
     slot::AcroSupport::ASFileSysOpenFile,
     1,
     true,
     {"F", "Version"}},
    {"file_stream",
     Table::AcroSupport,
     slot::AcroSupport::ASFileStmRdOpen,
     1,
     true,
     {"F", "Version"}},
    {"file_length", Table::AcroSupport, slot::AcroSupport::ASFileGetEOF, 1, true, {"F", "Version"}},
    {"scene_stream", Table::Cos, slot::Cos::CosNewStream, 1, true, {"F", "Version"}},
    {"scene_dict", Table::Cos, slot::Cos::CosStreamDict, 1, true, {"F", "Version"}},
    {"params", Table::Cos, slot::Cos::CosDictPut, 1, true, {"F", "Version"}},
    {"scene_reference", Table::Cos, slot::Cos::CosDictPutKeyString, 8, true, {"F", "Version"}},
    {"content_stream",
     Table::AcroSupport,
     slot::AcroSupport::ASMemStmRdOpen,
     1,
     true,
     {"F", "Version", "KXTRIVOPlayerF"}},
    {"form_stream",
     Table::Cos,
     slot::Cos::CosNewStream,
     2,
     true,
     {"F", "Version", "KXTRIVOPlayerF"}},
    {"form_dict",
     Table::Cos,
     slot::Cos::CosStreamDict,
     2,
     true,
     {"F", "Version", "KXTRIVOPlayerF"}},
    {"proc_set", Table::Cos, slot::Cos::CosArrayPut, -1, true, {"F", "Version", "KXTRIVOPlayerF"}},
    {"normal_appearance",
     Table::Cos,
     slot::Cos::CosDictPut,
     -1,
     true,
     {"F", "Version", "KXTRIVOPlayerF"}},
    {"appearance",
     Table::Cos,
     slot::Cos::CosDictPutKeyString,
     -1,
     true,
     {"F", "Version", "KXTRIVOPlayerF"}},
};

constexpr refhost::DevRect kRect = {50, 50, 150, 150};
constexpr refhost::ASErrorCode kInjected = refhost::kErrBadObject;

class AuthoringFaultTest : public AuthoringHost, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(AuthoringFaultTest, ErrorIsShownAndNothingLeaks) {
  const FaultCase& c = GetParam();
  const std::string path = WriteScene("rotor.mvn", SceneBytes(5000));
  int nth = c.nth;
  if (nth < 0) {
    // Count the slot's calls in one whole creation first.
    const int before = host_.CallCount(c.table, c.slot);
    CreateWithScene(path, kRect);
    nth = host_.CallCount(c.table, c.slot) - before;
    refhost::ClearRecords();
  }
  const size_t annotsBefore = refhost::PageAnnotations(page_).size();
  host_.InjectFault(c.table, c.slot, nth, kInjected);
  const refhost::PDAnnot annot = CreateWithScene(path, kRect);

  ASSERT_EQ(1u, refhost::Alerts().size());
  EXPECT_STREQ(refhost::Host::ErrorText(kInjected), refhost::Alerts()[0].c_str());
  ASSERT_EQ(1u, refhost::Invalidations().size());
  EXPECT_TRUE(host_.uncaughtErrors().empty());
  ExpectNothingLeftOpen();

  const std::vector<refhost::PDAnnot> onPage = refhost::PageAnnotations(page_);
  ASSERT_EQ(annotsBefore + (c.annotation ? 1 : 0), onPage.size());
  ASSERT_EQ(c.annotation, !IsNull(annot));
  if (!c.annotation) return;
  EXPECT_TRUE(refhost::SameAnnot(annot, onPage.back()));
  std::vector<std::string> written;
  for (const char* key : {"F", "Version", "KXTRIVOPlayerF", "AP"})
    if (refhost::DictHas(refhost::AnnotationDict(annot), key)) written.push_back(key);
  EXPECT_EQ(c.written, written);
}

INSTANTIATE_TEST_SUITE_P(Steps, AuthoringFaultTest, ::testing::ValuesIn(kFaults),
                         [](const ::testing::TestParamInfo<FaultCase>& info) {
                           return std::string(info.param.step);
                         });

}  // namespace
}  // namespace authoringtest
