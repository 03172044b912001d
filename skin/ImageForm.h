#pragma once

#include "skin/CustomImageForm.h"

// The image form as a form carries it; all behaviour is its base's.
class TfcImageForm : public TfcCustomImageForm {
    Q_OBJECT
public:
    using TfcCustomImageForm::TfcCustomImageForm;
};
