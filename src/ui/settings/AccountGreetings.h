#pragma once

#include <QString>
#include <QStringList>

class RandomSource;

// The words of welcome the account card puts before the user's name, in many languages.
class AccountGreetings
{
public:
    AccountGreetings() = delete;

    // The 92 greetings in their fixed order; the texts are shown as they stand.
    static const QStringList &all();
    // One of them, each equally likely.
    static QString draw(RandomSource &random);
};
