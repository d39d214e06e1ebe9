#pragma once

// The step texts of a load shown in the Loading dialog of uiAsyncOpen: every program that
// loads through the store hands its job this adapter.

#include "dialogs/ui.h"
#include "store/log_container.h"

namespace store {

class LabelSteps final : public StepText
{
  public:
    explicit LabelSteps(UiLabel* label) : m_label(label) {}
    void setText(const char* utf8) override
    {
        if (m_label)
            m_label->setText(utf8);
    }

  private:
    UiLabel* m_label;
};

} // namespace store
