#include <gtest/gtest.h>

#include "TestSupport.h"
#include "toolkit/DialogBuilder.h"
#include "toolkit/SkinPackage.h"

using SkinUI::CDialogBuilder;
using SkinUI::SkinPackage;
using testing_support::MakeZip;

namespace {
struct Built {
  SkinPackage pkg;
  std::unique_ptr<CDialogBuilder> builder;
  std::unique_ptr<SkinUI::CControlUI> root;
  SkinUI::WindowInfo window;
};
std::unique_ptr<Built> Build(const std::vector<std::pair<std::string, std::string>>& files, const std::string& main) {
  auto b = std::make_unique<Built>();
  EXPECT_TRUE(b->pkg.Open(MakeZip(files)));
  b->builder = std::make_unique<CDialogBuilder>(b->pkg);
  b->root = b->builder->Create(main, &b->window);
  return b;
}
}  // namespace

TEST(DialogBuilder, IncludesBecomePartOfTheTree) {
  auto b = Build({{"main.xml",
                   "<Window size=\"650,560\"><Include source=\"fonts.xml\"/>"
                   "<VerticalLayout name=\"root_layout\"><Include source=\"page.xml\" count=\"2\"/></VerticalLayout>"
                   "<Include source=\"sub\\conf.xml\"/></Window>"},
                  {"fonts.xml", "<Window><Font id=\"0\" name=\"Tahoma\" size=\"14\"/></Window>"},
                  {"page.xml", "<HorizontalLayout name=\"page\"><Label name=\"title\" text=\"Hello\"/></HorizontalLayout>"},
                  {"sub/conf.xml", "<Window><Container name=\"cfg\"><Label name=\"Downloader_id\" text=\"642\" visible=\"false\"/></Container></Window>"}},
                 "main.xml");
  ASSERT_TRUE(b->root);
  EXPECT_EQ(b->window.attrs["size"], L"650,560");
  ASSERT_EQ(b->window.resources.size(), 1u);
  EXPECT_EQ(b->window.resources[0].kind, "Font");
  SkinUI::CControlUI* root = b->root->FindByName(L"root_layout");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->GetCount(), 2u);  // count="2"
  SkinUI::CControlUI* id = b->root->FindByName(L"Downloader_id");
  ASSERT_NE(id, nullptr);
  EXPECT_EQ(id->GetText(), L"642");
  EXPECT_FALSE(id->IsVisible());
  EXPECT_EQ(b->root->FindByName(L"title")->GetText(), L"Hello");
  EXPECT_TRUE(b->builder->Faults().empty());
}

TEST(DialogBuilder, AnIncludeLoopIsCutAndReportedOnce) {
  auto b = Build({{"a.xml", "<Window><Container name=\"a\"><Include source=\"b.xml\"/><Include source=\"b.xml\"/></Container></Window>"},
                  {"b.xml", "<Container name=\"b\"><Include source=\"A.XML\"/></Container>"}},
                 "a.xml");
  ASSERT_TRUE(b->root);
  EXPECT_NE(b->root->FindByName(L"b"), nullptr);
  ASSERT_EQ(b->builder->Faults().size(), 1u);
  EXPECT_NE(b->builder->Faults()[0].find("loop"), std::string::npos);
}

TEST(DialogBuilder, IncludesThatMultiplyAreCutAtTheBudget) {
  // Found by the fuzz target: each file including the next 64 times gives 64^3 controls
  // from a few hundred bytes (at 16 levels the build never ended).
  std::vector<std::pair<std::string, std::string>> files = {
      {"main.xml", "<Window><Include source=\"l1.xml\" count=\"64\"/></Window>"}};
  for (int i = 1; i < 3; ++i)
    files.push_back({"l" + std::to_string(i) + ".xml", "<Window><Font id=\"1\"/><Include source=\"l" +
                                                          std::to_string(i + 1) + ".xml\" count=\"64\"/></Window>"});
  files.push_back({"l3.xml", "<Label name=\"x\" text=\"t\"/>"});
  auto b = Build(files, "main.xml");
  ASSERT_TRUE(b->root);
  size_t controls = 0;
  b->root->ForEach([&](SkinUI::CControlUI&) { ++controls; });
  EXPECT_GT(controls, 100u);
  EXPECT_LE(controls + b->window.resources.size(), 4096u);
  ASSERT_FALSE(b->builder->Faults().empty());
  EXPECT_NE(b->builder->Faults().back().find("too large"), std::string::npos);
}

TEST(DialogBuilder, WhatCannotBeBuiltIsSkippedAndTheRestStays) {
  auto b = Build({{"main.xml",
                   "<Window><Container name=\"c\"><Blink name=\"x\"/><Label name=\"ok\" bogus=\"1\"/>"
                   "<Include source=\"missing.xml\"/><Include source=\"broken.xml\"/><Include/></Container></Window>"},
                  {"broken.xml", "<Container><unclosed></Container>"}},
                 "main.xml");
  ASSERT_TRUE(b->root);
  EXPECT_NE(b->root->FindByName(L"ok"), nullptr);
  EXPECT_EQ(b->root->FindByName(L"x"), nullptr);
  EXPECT_EQ(b->root->FindByName(L"ok")->GetAttribute("bogus"), L"1");
  EXPECT_EQ(b->builder->Faults().size(), 5u);  // unknown control and attribute, missing, not XML, no source
}

TEST(DialogBuilder, AMissingOrBrokenLayoutBuildsNothing) {
  auto missing = Build({{"other.xml", "<Window/>"}}, "main.xml");
  EXPECT_FALSE(missing->root);
  auto broken = Build({{"main.xml", "not xml at all <<<"}}, "main.xml");
  EXPECT_FALSE(broken->root);
  auto empty = Build({{"main.xml", ""}}, "main.xml");
  EXPECT_FALSE(empty->root);
}

TEST(DialogBuilder, RegisteredClassesAreBuilt) {
  SkinUI::RegisterControlClass("TestGaugeUI", [] { return std::make_unique<SkinUI::CControlUI>("TestGaugeUI"); });
  auto b = Build({{"m.xml", "<TestGaugeUI name=\"g\" text=\"50\"/>"}}, "m.xml");
  ASSERT_TRUE(b->root);
  EXPECT_EQ(b->root->GetClass(), "TestGaugeUI");
  EXPECT_EQ(b->root->GetText(), L"50");
}
