#include "ui/settings/AccountGreetings.h"

#include "foundation/RandomSource.h"

#include <algorithm>
#include <cmath>

const QStringList &AccountGreetings::all()
{
    static const QStringList greetings = {
        QStringLiteral("Hello"),
        QStringLiteral("Hi"),
        QStringLiteral("Hey"),
        QStringLiteral("Halo"),
        QStringLiteral("Hai"),
        QStringLiteral("Assalamualaikum"),
        QStringLiteral("Bonjour"),
        QStringLiteral("Salut"),
        QStringLiteral("Hola"),
        QStringLiteral("Buenos días"),
        QStringLiteral("Buenas"),
        QStringLiteral("Olá"),
        QStringLiteral("Oi"),
        QStringLiteral("Ciao"),
        QStringLiteral("Salve"),
        QStringLiteral("Hallo"),
        QStringLiteral("Guten Tag"),
        QStringLiteral("Servus"),
        QStringLiteral("Grüß Gott"),
        QStringLiteral("Hoi"),
        QStringLiteral("Dag"),
        QStringLiteral("Hej"),
        QStringLiteral("Tjena"),
        QStringLiteral("Hei"),
        QStringLiteral("Halló"),
        QStringLiteral("Moi"),
        QStringLiteral("Terve"),
        QStringLiteral("Privet"),
        QStringLiteral("Zdravstvuyte"),
        QStringLiteral("Cześć"),
        QStringLiteral("Dzień dobry"),
        QStringLiteral("Ahoj"),
        QStringLiteral("Dobrý den"),
        QStringLiteral("Szia"),
        QStringLiteral("Jó napot"),
        QStringLiteral("Bună"),
        QStringLiteral("Γεια"),
        QStringLiteral("Γεια σου"),
        QStringLiteral("Merhaba"),
        QStringLiteral("Selam"),
        QStringLiteral("Shalom"),
        QStringLiteral("Namaste"),
        QStringLiteral("Namaskar"),
        QStringLiteral("Sat Sri Akal"),
        QStringLiteral("Kem cho"),
        QStringLiteral("Vanakkam"),
        QStringLiteral("Namaskaram"),
        QStringLiteral("Ayubowan"),
        QStringLiteral("Nǐ hǎo"),
        QStringLiteral("Nín hǎo"),
        QStringLiteral("Hā lóu"),
        QStringLiteral("Hāi"),
        QStringLiteral("Konnichiwa"),
        QStringLiteral("Yaa"),
        QStringLiteral("Moshi moshi"),
        QStringLiteral("Annyeonghaseyo"),
        QStringLiteral("Annyeong"),
        QStringLiteral("Xin chào"),
        QStringLiteral("Chào bạn"),
        QStringLiteral("Sawasdee"),
        QStringLiteral("Kumusta"),
        QStringLiteral("Mabuhay"),
        QStringLiteral("Selamat pagi"),
        QStringLiteral("Apa khabar"),
        QStringLiteral("Salam"),
        QStringLiteral("Salam Alaikum"),
        QStringLiteral("Zdravo"),
        QStringLiteral("Bok"),
        QStringLiteral("Pozdrav"),
        QStringLiteral("Jambo"),
        QStringLiteral("Habari"),
        QStringLiteral("Sawubona"),
        QStringLiteral("Dumela"),
        QStringLiteral("Molo"),
        QStringLiteral("Shikamoo"),
        QStringLiteral("Kia ora"),
        QStringLiteral("Talofa"),
        QStringLiteral("Bula"),
        QStringLiteral("Aloha"),
        QStringLiteral("Håfa adai"),
        QStringLiteral("Yá'át'ééh"),
        QStringLiteral("Hej hej"),
        QStringLiteral("Ogenki desu ka"),
        QStringLiteral("Selamün aleyküm"),
        QStringLiteral("Salam sejahtera"),
        QStringLiteral("Sannu"),
        QStringLiteral("Mbote"),
        QStringLiteral("Ndewo"),
        QStringLiteral("Hola qué tal"),
        QStringLiteral("Hey there"),
        QStringLiteral("Yo"),
        QStringLiteral("Sup"),
    };
    return greetings;
}

QString AccountGreetings::draw(RandomSource &random)
{
    const QStringList &greetings = all();
    const auto count = static_cast<int>(greetings.size());
    // A draw of exactly 1 would point one past the end.
    const int index =
        std::clamp(static_cast<int>(std::floor(random.uniform(0.0, 1.0) * count)), 0, count - 1);
    return greetings.at(index);
}
