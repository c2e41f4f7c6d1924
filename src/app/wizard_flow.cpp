#include "app/wizard_flow.h"

bool WizardFlow::NavigateTo(size_t index) {
  if (index >= pages_.size()) return false;
  current_ = index;
  return true;
}

CloseBox WizardFlow::CloseBoxOf(size_t index) const {
  return index < pages_.size() ? pages_[index] : CloseBox::Unchanged;
}

FlowAction WizardFlow::OnButton(ButtonType button) const {
  switch (button) {
    case ButtonType::Next:
      return {FlowAction::Kind::ShowPage, current_ + 1};
    case ButtonType::Close:   // the error page's: no question
    case ButtonType::Finish:
      return {FlowAction::Kind::EndWizard, 0};
    default:
      return {};
  }
}

const char* WizardFlow::CloseQuestionKey() const {
  if (errorShown_) return nullptr;
  const size_t count = pages_.size();
  // Two pages means loading has not completed: the loading page is not the end.
  const bool ask = current_ + 1 < count || count == 2;
  if (!ask) return nullptr;
  return busy_ ? "PROGRESS_QUIT" : "MSG_EXIT";
}
