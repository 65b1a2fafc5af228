#pragma once

#include "refresh/RefreshComponent.h"

// The control below a list's content that loads the next page; once the
// owner says everything is loaded it stays in "no more data" until reset.
class RefreshFooter : public RefreshComponent {
public:
    explicit RefreshFooter(Token token);

    void noticeNoMoreData();
    void resetNoMoreData();

protected:
    void prepare() override;
};
