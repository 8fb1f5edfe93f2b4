#pragma once
// The children's accounts, the accounts whose programs the guard watches: the members of the
// group pemblo-children, named in its member list or having it as their primary group. Reads
// the machine's account database; AddChild changes it through the system's own tools (groupadd,
// usermod), so it needs root.
#include <QString>
#include <sys/types.h>
#include <vector>

inline const QString ChildrenGroup = QStringLiteral("pemblo-children");

// The users of the group, sorted; none when the group is missing.
std::vector<uid_t> ChildAccounts(const QString &group = ChildrenGroup);

// Puts the account into the group, making the group (a system group) when it is missing. Raises
// with the tool's own words when the account is unknown or a tool refuses.
void AddChild(const QString &user, const QString &group = ChildrenGroup);

// True when the account is in the group, by its member list or as its primary group.
bool AccountInGroup(uint uid, const QString &group);
