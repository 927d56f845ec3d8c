#include "app/commands.h"

namespace zet::ui {

const std::vector<CommandInfo>& CommandTable() {
  // id, menu, text, prompt, tooltip, shortcut, icon, checkable, separator before
  static const std::vector<CommandInfo> table = {
      {ID_FILE_NEW, "Файл", "Новый", "Очистить рабочее пространство для загрузки данных", "Очистить",
       "Ctrl+N", ":/icons/new.svg", false, false},
      {ID_FILE_OPEN, "Файл", "Открыть...", "Считать данные, записанные ранее в файл", "Считать из файла",
       "Ctrl+O", ":/icons/open.svg", false, false},
      {ID_FILE_SAVE, "Файл", "Сохранить", "Сохранить данные в файле", "Сохранить", "Ctrl+S",
       ":/icons/save.svg", false, false},
      {ID_FILE_SAVE_AS, "Файл", "Сохранить как...", "Сохранить под новым именем", "", "", "", false, false},
      {ID_EXPORT_EXCEL, "Файл", "Экспорт в формате Excel...", "", "", "", "", false, true},
      {ID_FILE_PRINT, "Файл", "Печать", "Напечатать график на принтере", "Печать", "Ctrl+P",
       ":/icons/print.svg", false, true},
      {ID_FILE_PRINT_PREVIEW, "Файл", "Предварительный просмотр", "Показать образец печати",
       "Просмотр печати", "", ":/icons/preview.svg", false, false},
      {ID_FILE_PAGE_SETUP, "Файл", "Параметры страницы", "Изменение полей при печати", "", "", "", false,
       false},
      {ID_APP_EXIT, "Файл", "Выход", "Завершить работу программы", "", "", "", false, true},

      {ID_INITIAL_VIEW, "Вид", "Первоначальный вид", "Показывать графики полностью", "Первоначальный вид",
       "", ":/icons/initial_view.svg", false, false},
      {ID_STRETCH_TIME, "Вид", "Растянуть по оси времени", "Растянуть по оси времени в два раза",
       "Растянуть по времени", "Ctrl+Right", ":/icons/stretch_time.svg", false, true},
      {ID_SHRINK_TIME, "Вид", "Сжать по оси времени", "Сжать по оси времени в два раза", "Сжать по времени",
       "Ctrl+Left", ":/icons/shrink_time.svg", false, false},
      {ID_STRETCH_VALUES, "Вид", "Растянуть по оси значений", "Растянуть по оси значений в два раза",
       "Растянуть по оси значений", "Ctrl+Up", ":/icons/stretch_values.svg", false, false},
      // The tooltip begins with a Latin "C", as the program has always shown it.
      {ID_SHRINK_VALUES, "Вид", "Сжать по оси значений", "Сжать по оси значений в два раза",
       "Cжать по оси значений", "Ctrl+Down", ":/icons/shrink_values.svg", false, false},
      {ID_LIMIT_COARSER, "Вид", "Более грубый предел", "Задать более грубый масштаб вывода", "", "", "",
       false, true},
      {ID_LIMIT_FINER, "Вид", "Более точный предел", "Задать более точный масштаб вывода", "", "", "", false,
       false},
      {ID_FIT_LIMIT, "Вид", "Подобрать предел",
       "Задать самый точный предел, при котором видны все показанные значения", "Подобрать предел", "",
       ":/icons/fit_limit.svg", false, false},
      {ID_CHANNEL1, "Вид", "Канал 1", "Показать/скрыть данные по первому каналу", "Первый канал", "",
       ":/icons/channel1.svg", true, true},
      {ID_CHANNEL2, "Вид", "Канал 2", "Показать/скрыть данные по второму каналу", "Второй канал", "",
       ":/icons/channel2.svg", true, false},
      {ID_GRID, "Вид", "Сетка", "Показать/скрыть сетку", "Сетка", "", ":/icons/grid.svg", true, false},
      {ID_CURRENT_VALUES, "Вид", "Текущие значения", "Показать/скрыть текущие значения", "Текущие значения",
       "", ":/icons/current_values.svg", true, false},
      {ID_SUPPLY_VOLTAGE, "Вид", "Напряжение питания", "Показать/скрыть напряжение питания",
       "Напряжение питания", "", ":/icons/supply.svg", true, false},
      {ID_DOTS, "Вид", "Точечный вывод", "Выводить данные точками", "", "", "", true, false},
      {ID_VIEW_GRAPH, "Вид", "В виде графика", "Вывод данных в виде графика", "График", "",
       ":/icons/graph.svg", false, true},
      {ID_VIEW_STRAY_CURRENTS, "Вид", "Диаграмма блуждающих токов", "Определение блуждающих токов",
       "Блуждающие токи", "", ":/icons/stray_currents.svg", false, false},
      {ID_SHUNT_CURRENT, "Вид", "Ток в шунте", "Показывать данные в виде напряжения и тока", "Ток в шунте",
       "", ":/icons/shunt.svg", true, true},
      {ID_VIEW_STATUS_BAR, "Вид", "Строка состояния", "Показать/скрыть строку состояния", "", "", "", true,
       true},
      {ID_SPAN_STATISTICS, "Вид", "Статистика отрезка",
       "Показывать минимум, максимум и среднее на отрезке измерения", "", "", "", true, true},
      {ID_ANALYSIS, "Вид", "Анализ записи...",
       "Смещение от естественного потенциала, зона, время за пределами, средние по часам, направление тока",
       "Анализ записи", "", ":/icons/analysis.svg", false, true},

      {ID_FILTER, "Операции", "Фильтрация", "Профильтровать данные фильтром 20 мсек (50 Гц)", "", "", "",
       false, false},

      {ID_PORT_SETTINGS, "Опции", "Коммуникационный порт...", "Изменить настройки коммуникационного порта",
       "", "", "", false, false},
      {ID_COLOR_CHANNEL1, "Опции", "Цвет канала 1", "Задать цвет вывода данных по первому каналу", "", "", "",
       false, true},
      {ID_COLOR_CHANNEL2, "Опции", "Цвет канала 2", "Задать цвет вывода данных по второму каналу", "", "", "",
       false, false},
      {ID_FONT, "Опции", "Шрифт", "Установить шрифт выводимых надписей", "", "", "", false, false},
      {ID_RAW_DATA_FILE, "Опции", "Файл необработанных данных", "", "", "", "", true, true},

      {ID_PROGRAM_RECORDER, "Прибор", "Задать программу...", "Программирование прибора на измерения", "", "",
       "", false, false},
      {ID_GET_DATA, "Прибор", "Получить данные", "Получить данные, накопленные в приборе", "", "", "", false,
       false},
      {ID_MONITOR_MODE, "Прибор", "Режим \"Монитор\"", "Измерения в реальном времени", "", "", "", false,
       false},
      {ID_SELF_TEST, "Прибор", "Тестирование Прибора", "Запуск самотестирования прибора", "", "", "", false,
       false},

      {ID_HELP_FINDER, "Справка", "Помощь", "Справка по программе", "Справка", "", ":/icons/help.svg", false,
       false},
      {ID_APP_ABOUT, "Справка", "Информация о программе...", "Показать информацию о программе",
       "О программе", "", "", false, true},
  };
  return table;
}

const CommandInfo* FindCommand(int id) {
  for (const CommandInfo& c : CommandTable())
    if (c.id == id) return &c;
  return nullptr;
}

const std::vector<const char*>& MenuTitles() {
  static const std::vector<const char*> titles = {"Файл", "Вид", "Операции", "Опции", "Прибор", "Справка"};
  return titles;
}

QStringList MenuBarTexts() {
  QStringList texts;
  QString taken;
  for (const char* t : MenuTitles()) {
    QString title = Qs(t);
    qsizetype at = 0;
    while (at < title.size() && taken.contains(title[at].toUpper())) ++at;
    if (at < title.size()) {
      taken += title[at].toUpper();
      title.insert(at, QLatin1Char('&'));
    }
    texts << title;
  }
  return texts;
}

const std::vector<int>& PaneShortcutCommands() {
  static const std::vector<int> ids = {ID_STRETCH_TIME, ID_SHRINK_TIME, ID_STRETCH_VALUES, ID_SHRINK_VALUES};
  return ids;
}

const std::vector<int>& ToolbarButtons() {
  static const std::vector<int> buttons = {
      ID_FILE_NEW,       ID_FILE_OPEN,     ID_FILE_SAVE,     0,
      ID_INITIAL_VIEW,   ID_GRID,          ID_CURRENT_VALUES, ID_CHANNEL1,
      ID_CHANNEL2,       ID_SUPPLY_VOLTAGE, 0,               ID_STRETCH_VALUES,
      ID_SHRINK_VALUES,  ID_FIT_LIMIT,     ID_STRETCH_TIME,  ID_SHRINK_TIME,   0,
      ID_VIEW_GRAPH,     ID_VIEW_STRAY_CURRENTS, ID_SHUNT_CURRENT, ID_ANALYSIS, 0,
      ID_FILE_PRINT,     ID_FILE_PRINT_PREVIEW, ID_HELP_FINDER};
  return buttons;
}

}  // namespace zet::ui
