#pragma once

#include <QString>

// Amounts in words, as report formulas write them through NumberToWords.
// Every routine is a plain function: text out, no state beyond its constant
// word tables, no error reported. An amount a routine cannot write (not a
// number, infinite, negative where the language has no reading for it, or
// beyond the routine's range) gives an empty text rather than garbage.

// The language codes NumberToWords understands; any other code writes English.
// "UKR", "GER", "ENG", "ESP", "FR_FR", "FR_BE", "FR_CH", "ITA".
QString numberToWords(double amount, const QString& languageCode);

// English words of the whole part ("one hundred twenty-three").
QString numberToWordsEng(double amount);

// Ukrainian money text. currency 0 writes no currency words (the form the
// report formulas get), any other value hryvni and kopiyky.
QString numberToWordsUkr(double amount, int currency);

// Russian money text. currency 0 none, 1 hryvni, 2 roubles; any other value
// is written like 0.
QString numberToWordsRus(double amount, int currency);

// German words of the whole part, one word without blanks. innerCall is false
// for the caller's number (a lone one then reads "eins").
QString numberToWordsGer(double amount, bool innerCall = false);

// Italian words of the whole part.
QString numberToWordsIta(double amount);

// Spanish words of the whole part, every word followed by one blank; with
// hundredths, "con " and the hundredths follow.
QString numberToWordsEsp(double amount, bool hundredths = false);
// The Spanish words of one group of three digits (group 0 the billions to
// group 4 the units), without the group's scale word.
QString groupToWordsEsp(int group, int hundreds, int tens, int units, int value);

// French words, joined by "-". variant 0 France, 1 Belgium, 2 Switzerland.
enum FrenchVariant { FrenchOfFrance = 0, FrenchOfBelgium = 1, FrenchOfSwitzerland = 2 };
QString numberToWordsFra(int value, int variant);

// French money texts: Euros (Belgium, France) or Francs (Switzerland) and centimes.
QString moneyToWordsFraBe(double amount);
QString moneyToWordsFraFr(double amount);
QString moneyToWordsFraCh(double amount);
