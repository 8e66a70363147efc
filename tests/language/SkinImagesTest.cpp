// The pictures the layouts and the code name must all be in the package,
// as PNG files of the size the windows are designed for.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "toolkit/SkinPackage.h"

namespace {

std::string PackageBytes() {
  std::ifstream f(LUMEVIA_SKIN_ZIP, std::ios::binary);
  std::stringstream bytes;
  bytes << f.rdbuf();
  return bytes.str();
}

bool PngSize(const std::string& png, unsigned& w, unsigned& h) {
  static const char kSig[] = "\x89PNG\r\n\x1a\n";
  if (png.size() < 24 || png.compare(0, 8, kSig, 8) != 0 || png.compare(12, 4, "IHDR") != 0) return false;
  auto be32 = [&](size_t at) {
    return (static_cast<unsigned>(static_cast<unsigned char>(png[at])) << 24) |
           (static_cast<unsigned>(static_cast<unsigned char>(png[at + 1])) << 16) |
           (static_cast<unsigned>(static_cast<unsigned char>(png[at + 2])) << 8) |
           static_cast<unsigned>(static_cast<unsigned char>(png[at + 3]));
  };
  w = be32(16);
  h = be32(20);
  return true;
}

struct Expected {
  const char* name;
  unsigned width, height;  // 0 = any
};

const Expected kImages[] = {
    {"skin/backgroud.png", 650, 560},      {"skin/backgroud_complete.png", 650, 560},
    {"skin/backgroud_nologo.png", 650, 560}, {"skin/bg_bottom.png", 650, 0},
    {"skin/bg_message.png", 448, 184},     {"skin/bg_setting.png", 650, 200},
    {"skin/btn_browse.png", 0, 0},         {"skin/btn_install.png", 0, 0},
    {"skin/btn_min.png", 0, 0},            {"skin/btn_no.png", 0, 0},
    {"skin/btn_start_now.png", 0, 0},      {"skin/btn_yes.png", 0, 0},
    {"skin/button_close.png", 0, 0},       {"skin/button_min.png", 0, 0},
    {"skin/checkbox_h.png", 16, 16},       {"skin/checkbox_normal.png", 16, 16},
    {"skin/checkbox_p.png", 16, 16},       {"skin/checkbox_selected.png", 16, 16},
    {"skin/Combo_nor.png", 0, 0},          {"skin/combo_over.png", 0, 0},
    {"skin/OptionNormal.png", 16, 16},     {"skin/OptionSelected.png", 16, 16},
    {"skin/bkprogress.png", 0, 0},         {"skin/bar.png", 0, 0},
    {"skin/progress.png", 0, 0},           {"skin/logo.png", 0, 0},
    {"skin/logo_left_top.png", 0, 0},      {"skin/logo_running.png", 0, 0},
    {"skin/message_exclamation.png", 40, 40}, {"skin/message_help.png", 40, 40},
    {"skin/message_warn.png", 40, 40},     {"skin/waiting.png", 0, 0},
    {"skin/warning.png", 16, 16},
    {"skin/anima/1.png", 650, 300},        {"skin/anima/2.png", 650, 300},
    {"skin/anima/3.png", 650, 300},
};

}  // namespace

TEST(SkinImages, EveryNamedPictureIsAPngOfItsDesignedSize) {
  SkinUI::SkinPackage pkg;
  ASSERT_TRUE(pkg.Open(PackageBytes())) << LUMEVIA_SKIN_ZIP;
  for (const Expected& e : kImages) {
    std::string png;
    ASSERT_TRUE(pkg.Extract(e.name, png)) << e.name;
    unsigned w = 0, h = 0;
    ASSERT_TRUE(PngSize(png, w, h)) << e.name;
    if (e.width) EXPECT_EQ(w, e.width) << e.name;
    if (e.height) EXPECT_EQ(h, e.height) << e.name;
    // Caption buttons fit the 60-pixel strip; nothing is wider than the window.
    EXPECT_LE(w, 1000u) << e.name;
    EXPECT_LE(h, 560u) << e.name;
  }
  // The slide show counts "skin\anima\%d.png" until one is missing: three.
  EXPECT_FALSE(pkg.Contains("skin\\anima\\4.png"));
}

TEST(SkinImages, WaitingAnimationHasTwentyOneEqualFrames) {
  SkinUI::SkinPackage pkg;
  ASSERT_TRUE(pkg.Open(PackageBytes()));
  unsigned w0 = 0, h0 = 0;
  std::string previous;
  for (int i = 0; i < 21; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "skin/gif/bg%.2d.png", i);
    std::string png;
    ASSERT_TRUE(pkg.Extract(name, png)) << name;
    unsigned w = 0, h = 0;
    ASSERT_TRUE(PngSize(png, w, h)) << name;
    if (i == 0) {
      w0 = w;
      h0 = h;
      EXPECT_LE(w, 320u);
      EXPECT_LE(h, 320u);
    }
    EXPECT_EQ(w, w0) << name;
    EXPECT_EQ(h, h0) << name;
    EXPECT_NE(png, previous) << name << " repeats the frame before it";
    previous = png;
  }
  EXPECT_FALSE(pkg.Contains("skin/gif/bg21.png"));
  std::string bmp;
  ASSERT_TRUE(pkg.Extract("scrollbar.bmp", bmp));
  EXPECT_EQ(bmp.compare(0, 2, "BM"), 0);
}
