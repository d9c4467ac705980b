// The link-state texts, one row per text and one column per language, beside the other main-window
// texts (main_texts.cpp). "%1" stands for the seconds.
#include "ui/link_state_texts.h"

#include <array>
#include <string_view>

namespace vyr {
namespace {

using Row = std::array<std::string_view, 6>;

constexpr Row kConnecting = {"Connecting to the camera...",
                             "正在连接相机...",
                             "Conectando con la cámara...",
                             "Conectando à câmera...",
                             "Connessione alla telecamera in corso...",
                             "正在連接相機..."};
constexpr Row kNoCamera = {"No camera found, retrying...",
                           "未找到相机，正在重试...",
                           "No se encontró la cámara, reintentando...",
                           "Nenhuma câmera encontrada, tentando novamente...",
                           "Nessuna telecamera trovata, nuovo tentativo...",
                           "未找到相機，正在重試..."};
constexpr Row kStreamLost = {"Camera stream lost, reconnecting...",
                             "相机视频流中断，正在重新连接...",
                             "Se perdió la transmisión de la cámara, reconectando...",
                             "Transmissão da câmera perdida, reconectando...",
                             "Flusso della telecamera perso, riconnessione...",
                             "相機視訊串流中斷，正在重新連接..."};
constexpr Row kNoPicture = {"No picture for %1 s",        "已 %1 秒没有画面",
                            "Sin imagen desde hace %1 s", "Sem imagem há %1 s",
                            "Nessuna immagine da %1 s",   "已 %1 秒沒有畫面"};

QString Text(const Row& row, int languageIndex) {
    const std::string_view text =
        row[languageIndex >= 0 && languageIndex < 6 ? static_cast<size_t>(languageIndex) : 0];
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QString LinkStateText(int languageIndex, LinkState state) {
    switch (state) {
        case LinkState::kConnecting:
            return Text(kConnecting, languageIndex);
        case LinkState::kNoCamera:
            return Text(kNoCamera, languageIndex);
        case LinkState::kStreamLost:
            return Text(kStreamLost, languageIndex);
        case LinkState::kStopped:
        case LinkState::kStreaming:
            break;
    }
    return {};
}

QString NoPictureText(int languageIndex, int seconds) {
    return Text(kNoPicture, languageIndex).arg(seconds);
}

}  // namespace vyr
