#include "shell/resources.h"

#include <string>

#include "platform/files.h"
#include "platform/image.h"
#include "platform/sound.h"
#include "shell/messages.h"
#include "shell/state.h"

namespace {
struct Resource {
  int number;
  const char* file;
};

const Resource kGraphics[] = {
    {kImageConnected, "graphics/button_connected.png"},
    {kImageNoConnect, "graphics/button_no-connect.png"},
    {kImageButtonAGrey, "graphics/buttonA_grey.png"},
    {kImageButtonAYellow, "graphics/buttonA_yellow.png"},
    {kImageButtonBGrey, "graphics/buttonB_grey.png"},
    {kImageButtonBYellow, "graphics/buttonB_yellow.png"},
    {kImageGood72, "graphics/good_72x23.png"},
    {kImageGoodGrey72, "graphics/good_grey_72x23.png"},
    {kImageBad72, "graphics/bad_72x23.png"},
    {kImageBadGrey72, "graphics/bad_grey_72x23.png"},
    {kImageNoSig72, "graphics/nosig_72x23_pink.png"},
    {kImageNoTest72, "graphics/notest_72x23.png"},
    {kImageUntested72, "graphics/questionmark_72x23_yellow.png"},
    {kImageGood23, "graphics/good_23x23.png"},
    {kImageBad23, "graphics/bad_23x23.png"},
    {kImageNoSig23, "graphics/nosig_23x23_pink.png"},
    {kImageNoTest23, "graphics/notest_23x23.png"},
    {kImageUntested23, "graphics/questionmark_23x23_yellow.png"},
    {kImageBlock23, "graphics/block_23x23_black.png"},
    {kImageSingleCaptureGreen, "graphics/singlecapture_green.png"},
    {kImageSingleCaptureGrey, "graphics/singlecapture_grey.png"},
    {kImageAutoCaptureYellow, "graphics/autocapture_yellow.png"},
    {kImageCaptureInProgress, "graphics/captureinprogress_green.png"},
    {kImageAutoTestYellow, "graphics/autotest_yellow.png"},
    {kImageTestInProgress, "graphics/testinprogress_green.png"},
};

const Resource kSounds[] = {
    {kSoundCapture, "sounds/capturesignature.wav"},
    {kSoundComplete, "sounds/capturecomplete.wav"},
    {kSoundGood, "sounds/testgood.wav"},
    {kSoundBad, "sounds/testbad.wav"},
};
}  // namespace

void YRM_LoadGraphics() {
  // Only the first line (the scheme folder) is read, whatever the file's
  // size, and not used: images always come from graphics/.
  pf::LineReader colours;
  std::string scheme;
  if (!colours.Open("settings/colours.txt") || (!colours.Next(scheme) && colours.Failed()))
    YRM_ShowMessage(kMsgColoursNotFound);
  for (const Resource& r : kGraphics) pf::LoadImage(r.number, r.file);
}

void YRM_LoadSounds() {
  if (ALLSoundStatus != 1) {
    YRM_WriteLog(
        "ALLSoundStatus=#False, cannot load sounds - could be missing files OR no/bad sound system on "
        "WIN/PC");
    return;
  }
  for (const Resource& r : kSounds) pf::LoadSound(r.number, r.file);
}

void PlaySoundIfLoaded(int sound) {
  if (pf::IsSound(sound)) pf::PlaySound(sound);
}
