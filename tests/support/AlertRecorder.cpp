#include "support/AlertRecorder.h"

#include "platform/kit/AlertView.h"

namespace support {

AlertRecorder::AlertRecorder()
{
    // The subscription is a member, so the callback never outlives `this`.
    m_subscription
        = kit::AlertView::observe([this](kit::AlertView& alert, kit::AlertView::Event event, int index) {
              if (event == kit::AlertView::Event::Shown) {
                  Entry entry { alert.title(), alert.message(), {}, -1 };
                  for (int i = 0; i < alert.numberOfButtons(); ++i)
                      entry.buttons.push_back(alert.buttonTitleAtIndex(i));
                  m_shown.push_back(std::move(entry));
                  return;
              }
              for (auto it = m_shown.rbegin(); it != m_shown.rend(); ++it) {
                  if (it->title == alert.title() && it->closedWith == -1) {
                      it->closedWith = index;
                      break;
                  }
              }
          });
}

std::vector<std::string> AlertRecorder::titles() const
{
    std::vector<std::string> titles;
    for (const auto& entry : m_shown)
        titles.push_back(entry.title);
    return titles;
}

} // namespace support
