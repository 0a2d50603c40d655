// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/fileerror.h"

#include <cerrno>
#include <cstring>

namespace zarnik {

namespace {

// The damaged-file details are produced in English by the loader; these are their Russian twins.
std::string russianDetail(const std::string& detail)
{
    if (detail == "file is shorter than its 14-byte header")
        return "файл короче своего заголовка (14 байт)";
    if (detail == "key table runs past the end of the file")
        return "таблица ключей выходит за конец файла";
    if (detail == "data header runs past the end of the file")
        return "заголовок строк выходит за конец файла";
    if (detail == "strings overlap far beyond the file's size")
        return "строки перекрываются во много раз больше размера файла";
    if (detail == "string data exceeds 4 GiB")
        return "строки не умещаются в 4 ГБ";
    if (detail == "the file is larger than its format allows")
        return "файл больше, чем допускает его формат";
    if (detail == "the file goes on past the end its headers give")
        return "файл продолжается за концом, который указан в его заголовках";
    return detail;
}

std::string englishReason(int sysError, const std::string& detail, const std::string& systemText)
{
    if (!systemText.empty())
        return systemText;
    if (sysError != 0)
        return std::strerror(sysError);
    return detail;
}

}  // namespace

FileError::FileError(FileStep step, std::string path, int sysError, std::string detail,
                     std::string systemText)
    : std::runtime_error(path), step_(step), path_(std::move(path)), sysError_(sysError),
      detail_(std::move(detail)), systemText_(std::move(systemText))
{
    static_cast<std::runtime_error&>(*this) = std::runtime_error(englishMessage());
}

std::string RussianSystemReason(int sysError)
{
    switch (sysError) {
    case ENOENT: return "нет такого файла или каталога";
    case EACCES:
    case EPERM: return "доступ запрещён";
    case ENOSPC: return "на диске нет места";
#ifdef EDQUOT
    case EDQUOT: return "превышена дисковая квота";
#endif
    case EFBIG: return "файл слишком велик";
    case EROFS: return "файловая система доступна только для чтения";
    case EISDIR: return "это каталог, а не файл";
    case ENOTDIR: return "часть пути не является каталогом";
    case EEXIST: return "файл уже существует";
    case ENOTEMPTY: return "каталог не пуст";
    case EBUSY: return "файл занят";
    case EIO: return "ошибка ввода-вывода";
    case ENAMETOOLONG: return "слишком длинное имя файла";
    case ELOOP: return "слишком много уровней символических ссылок";
    case EMLINK: return "слишком много ссылок на файл";
    case EMFILE:
    case ENFILE: return "открыто слишком много файлов";
    case ENOMEM: return "недостаточно памяти";
    case EXDEV: return "файлы на разных дисках";
    default: return std::strerror(sysError);
    }
}

std::string FileError::russianMessage() const
{
    // The system's own text is in the language of the user's Windows.
    const std::string reason = !systemText_.empty() ? systemText_
                               : sysError_ != 0     ? RussianSystemReason(sysError_)
                                                    : russianDetail(detail_);
    const std::string name = "«" + path_ + "»";
    switch (step_) {
    case FileStep::Open: return "Не удалось открыть файл " + name + ": " + reason;
    case FileStep::Read: return "Ошибка чтения файла " + name + ": " + reason;
    case FileStep::Damaged: return "Файл " + name + " повреждён: " + reason;
    case FileStep::CreateTemp:
        return "Не удалось создать временный файл для " + name + ": " + reason;
    case FileStep::Write: return "Ошибка записи файла " + name + ": " + reason;
    case FileStep::MakeBackup:
        return "Не удалось сделать резервную копию файла " + name + ": " + reason;
    case FileStep::MoveIntoPlace:
        return "Не удалось поставить новый файл на место " + name + ": " + reason;
    case FileStep::ReplaceBackup:
        return "Не удалось заменить резервную копию " + name + ": " + reason;
    case FileStep::NotRegularFile:
        return "Файл " + name + " не записан: это не обычный файл, а канал, устройство или сокет";
    case FileStep::BackupName:
        return "Файл " + name + " не записан: имя его резервной копии (с «_» в конце) "
               "длиннее, чем допускает файловая система";
    case FileStep::TooLarge: return "Файл " + name + " слишком велик: " + reason;
    case FileStep::UnstorableText:
        return "Файл " + name + " не записан: в тексте ключа " + detail_ +
               " есть нулевой байт, который формат не может сохранить";
    }
    return name + ": " + reason;
}

std::string FileError::englishMessage() const
{
    const std::string reason = englishReason(sysError_, detail_, systemText_);
    const std::string& name = path_;
    switch (step_) {
    case FileStep::Open: return "cannot open " + name + ": " + reason;
    case FileStep::Read: return "cannot read " + name + ": " + reason;
    case FileStep::Damaged: return name + " is damaged: " + reason;
    case FileStep::CreateTemp: return "cannot create a temporary file for " + name + ": " + reason;
    case FileStep::Write: return "cannot write " + name + ": " + reason;
    case FileStep::MakeBackup: return "cannot make the backup of " + name + ": " + reason;
    case FileStep::MoveIntoPlace: return "cannot move the new file into place as " + name + ": " + reason;
    case FileStep::ReplaceBackup: return "cannot replace the backup " + name + ": " + reason;
    case FileStep::NotRegularFile:
        return name + " is not a regular file but a pipe, device or socket; nothing was written";
    case FileStep::BackupName:
        return "nothing was written to " + name +
               ": the name of its backup (with \"_\" appended) is longer than the file system allows";
    case FileStep::TooLarge: return name + " is too large: " + reason;
    case FileStep::UnstorableText:
        return "nothing was written to " + name + ": the text of key " + detail_ +
               " holds a zero byte that the format cannot store";
    }
    return name + ": " + reason;
}

}  // namespace zarnik
