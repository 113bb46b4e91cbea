#include "ui/StopQuestion.h"

namespace tervaline::ui {

TStopQuestion StopQuestionOf(const TInterfaceTexts& texts) { return {texts.CanStop, texts.Yes, texts.No, true}; }

}  // namespace tervaline::ui
