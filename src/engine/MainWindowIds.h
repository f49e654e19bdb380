#pragma once

// Identifiers of the main window's controls that the playback engine works with.
constexpr int IDC_SAVE = 403;
constexpr int IDC_SAVEAS = 404;
constexpr int IDC_STOP = 406;
constexpr int IDC_PLAY = 407;
constexpr int IDC_PAUSE = 408;
constexpr int IDC_POSITION = 420;
constexpr int IDC_TEMPO_DOWN = 430;
constexpr int IDC_TEMPO_UP = 431;
constexpr int IDC_PITCH_DOWN = 432;
constexpr int IDC_PITCH_UP = 433;
constexpr int IDC_VOLUME_DOWN = 434;
constexpr int IDC_VOLUME_UP = 435;
constexpr int IDC_VOCAL_DOWN = 436;
constexpr int IDC_VOCAL_UP = 437;
constexpr int IDC_TEMPO = 438;
constexpr int IDC_PITCH = 439;
constexpr int IDC_VOLUME = 440;
constexpr int IDC_VOCAL = 441;
constexpr int IDC_TITLE = 500;
constexpr int IDC_TIME = 501;
constexpr int IDC_TEMPO_CAPTION = 502;
constexpr int IDC_PITCH_CAPTION = 503;
constexpr int IDC_VOLUME_CAPTION = 504;
constexpr int IDC_VOCAL_CAPTION = 505;

// Posted to the main window when the song has played to its end.
constexpr int WM_USER_SONG_END = 100;
