#pragma once

// The program's name, version and the addresses it shows.
inline constexpr char kAppTitle[] = "ピポラ！";
inline constexpr char kVersionText[] = "Ver 1.10";
inline constexpr char kTagLine[] = "解凍しないで試せる！";
inline constexpr char kNotice[] = "© 2026 Zot 開発チーム  MIT ライセンス";
inline constexpr char kWebAddress[] = "https://zot.example.org/";
inline constexpr char kMailAddress[] = "zot@example.org";
// Where the archiver modules are described and can be had.
