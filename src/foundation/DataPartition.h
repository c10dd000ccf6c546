#pragma once

#include <QString>

// The key that an employee's local data is kept under: rows of the database, the captures folder
// and the cached configuration. It names the company (its domain key, the host of its address)
// and the employee signed in to it, so one person's tracked time never shows for, or is sent
// with the token of, another person who signs in to the same company on the same computer.
//
// A key is also a folder name: the employee part is percent-encoded and joined by a character
// that no host can hold, so a key never contains a separator and the company of a key can always
// be read back. A company with no employee known (a sign-in kept from before employees were told
// apart) keeps the bare domain key, which is also what rows from those days carry.
namespace DataPartition {

// The separator between the company and the employee; never part of a host.
inline constexpr QChar separator = QLatin1Char('|');

// The e-mail as the employee's identity: trimmed, its letter case ignored.
QString employeeIdentity(const QString &email);

// "global" stays "global": without a company nothing can be sent, whoever typed an e-mail.
QString key(const QString &domainKey, const QString &email);

// The domain key of the company a key belongs to.
QString companyOf(const QString &partitionKey);

// Whether the key names an employee, as opposed to a company alone.
bool namesEmployee(const QString &partitionKey);

} // namespace DataPartition
