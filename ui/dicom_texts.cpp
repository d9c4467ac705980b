// One row per text, one column per language. Portuguese letters are written as they are: these
// texts were never GBK, so they need no question marks for ç and ã.
#include "ui/dicom_texts.h"

#include <array>
#include <string_view>

namespace vyr {
namespace {

using Row = std::array<std::string_view, 6>;

constexpr std::array<Row, static_cast<size_t>(DicomText::kCount)> kTexts = {{
    // kMenuExport
    {"Export as DICOM...", "导出为 DICOM...", "Exportar como DICOM...", "Exportar como DICOM...",
     "Esporta come DICOM...", "導出為 DICOM..."},
    // kMenuSend
    {"Send to archive", "发送到影像归档", "Enviar al archivo", "Enviar ao arquivo",
     "Invia all'archivio", "發送到影像歸檔"},
    // kMenuSettings
    {"DICOM settings...", "DICOM 设置...", "Configuración DICOM...", "Configurações DICOM...",
     "Impostazioni DICOM...", "DICOM 設置..."},
    // kCaption
    {"DICOM", "DICOM", "DICOM", "DICOM", "DICOM", "DICOM"},
    // kSelectPictures
    {"Select the pictures first.", "请先选择图片。", "Seleccione primero las imágenes.",
     "Selecione primeiro as imagens.", "Seleziona prima le immagini.", "請先選擇圖片。"},
    // kExporting
    {"Exporting %1 of %2...", "正在导出 %1/%2...", "Exportando %1 de %2...",
     "Exportando %1 de %2...", "Esportazione %1 di %2...", "正在導出 %1/%2..."},
    // kSending
    {"Sending %1 of %2 to the archive...", "正在发送 %1/%2 到影像归档...",
     "Enviando %1 de %2 al archivo...", "Enviando %1 de %2 ao arquivo...",
     "Invio %1 di %2 all'archivio...", "正在發送 %1/%2 到影像歸檔..."},
    // kStopping
    {"Stopping after the current picture...", "当前图片完成后停止...",
     "Deteniendo tras la imagen actual...", "Parando após a imagem atual...",
     "Arresto dopo l'immagine corrente...", "當前圖片完成後停止..."},
    // kCancel
    {"Cancel", "取消", "Cancelar", "Cancelar", "Annulla", "取消"},
    // kOk
    {"OK", "确定", "Aceptar", "OK", "OK", "確定"},
    // kExported
    {"%1 of %2 pictures exported to %3.", "已导出 %1/%2 张图片到 %3。",
     "%1 de %2 imágenes exportadas a %3.", "%1 de %2 imagens exportadas para %3.",
     "%1 di %2 immagini esportate in %3.", "已導出 %1/%2 張圖片到 %3。"},
    // kSent
    {"%1 of %2 pictures sent to the archive and confirmed by it.",
     "%1/%2 张图片已发送并经影像归档确认。",
     "%1 de %2 imágenes enviadas al archivo y confirmadas por él.",
     "%1 de %2 imagens enviadas ao arquivo e confirmadas por ele.",
     "%1 di %2 immagini inviate all'archivio e da esso confermate.",
     "%1/%2 張圖片已發送並經影像歸檔確認。"},
    // kNoArchive
    {"No archive is set up. Enter its host, port and AE titles under \"DICOM settings...\".",
     "尚未设置影像归档。请在“DICOM 设置...”中输入主机、端口和 AE 标题。",
     "No hay ningún archivo configurado. Indique su host, puerto y títulos AE en "
     "\"Configuración DICOM...\".",
     "Nenhum arquivo configurado. Informe o host, a porta e os títulos AE em "
     "\"Configurações DICOM...\".",
     "Nessun archivio configurato. Inserire host, porta e titoli AE in "
     "\"Impostazioni DICOM...\".",
     "尚未設置影像歸檔。請在「DICOM 設置...」中輸入主機、連接埠和 AE 標題。"},
    // kOutsideLoopback
    {"%1 is refused: this test build only reaches archives on this computer (127.0.0.0/8).",
     "已拒绝 %1：此测试版本只能连接本机上的影像归档 (127.0.0.0/8)。",
     "%1 rechazado: esta versión de prueba solo llega a archivos en este equipo (127.0.0.0/8).",
     "%1 recusado: esta versão de teste só alcança arquivos neste computador (127.0.0.0/8).",
     "%1 rifiutato: questa versione di prova raggiunge solo archivi su questo computer "
     "(127.0.0.0/8).",
     "已拒絕 %1：此測試版本只能連接本機上的影像歸檔 (127.0.0.0/8)。"},
    // kUnknownHost
    {"The archive's host %1 cannot be found.", "找不到影像归档的主机 %1。",
     "No se encuentra el host del archivo %1.", "O host do arquivo %1 não foi encontrado.",
     "Host dell'archivio %1 non trovato.", "找不到影像歸檔的主機 %1。"},
    // kConnectionRefused
    {"The archive at %1 refused the connection: nothing answers on that port. Is the archive "
     "running, and are its host and port right?",
     "%1 上的影像归档拒绝了连接：该端口无应答。影像归档是否在运行？主机和端口是否正确？",
     "El archivo en %1 rechazó la conexión: nadie responde en ese puerto. ¿Está en marcha el "
     "archivo y son correctos el host y el puerto?",
     "O arquivo em %1 recusou a conexão: ninguém responde nessa porta. O arquivo está em "
     "execução e o host e a porta estão corretos?",
     "L'archivio su %1 ha rifiutato la connessione: nessuna risposta su quella porta. "
     "L'archivio è in funzione e host e porta sono corretti?",
     "%1 上的影像歸檔拒絕了連接：該連接埠無應答。影像歸檔是否在運行？主機和連接埠是否正確？"},
    // kConnectionFailed
    {"No connection to the archive at %1 (%2).", "无法连接 %1 上的影像归档 (%2)。",
     "Sin conexión con el archivo en %1 (%2).", "Sem conexão com o arquivo em %1 (%2).",
     "Nessuna connessione all'archivio su %1 (%2).", "無法連接 %1 上的影像歸檔 (%2)。"},
    // kAssociationRejected
    {"The archive at %1 rejected the association: check the AE titles under "
     "\"DICOM settings...\" (%2).",
     "%1 上的影像归档拒绝了关联：请检查“DICOM 设置...”中的 AE 标题 (%2)。",
     "El archivo en %1 rechazó la asociación: revise los títulos AE en "
     "\"Configuración DICOM...\" (%2).",
     "O arquivo em %1 rejeitou a associação: verifique os títulos AE em "
     "\"Configurações DICOM...\" (%2).",
     "L'archivio su %1 ha rifiutato l'associazione: verificare i titoli AE in "
     "\"Impostazioni DICOM...\" (%2).",
     "%1 上的影像歸檔拒絕了關聯：請檢查「DICOM 設置...」中的 AE 標題 (%2)。"},
    // kNoPresentationContext
    {"The archive does not accept photographs (VL Photographic Image).",
     "影像归档不接受照片 (VL Photographic Image)。",
     "El archivo no acepta fotografías (VL Photographic Image).",
     "O arquivo não aceita fotografias (VL Photographic Image).",
     "L'archivio non accetta fotografie (VL Photographic Image).",
     "影像歸檔不接受照片 (VL Photographic Image)。"},
    // kNotConfirmed
    {"The connection ended before the archive confirmed %1 (%2). It and the pictures after it "
     "were not sent.",
     "影像归档确认 %1 之前连接已中断 (%2)。它及其后的图片未发送。",
     "La conexión terminó antes de que el archivo confirmara %1 (%2). Esa imagen y las "
     "siguientes no se enviaron.",
     "A conexão terminou antes de o arquivo confirmar %1 (%2). Essa imagem e as seguintes não "
     "foram enviadas.",
     "La connessione si è interrotta prima che l'archivio confermasse %1 (%2). Questa immagine "
     "e le successive non sono state inviate.",
     "影像歸檔確認 %1 之前連接已中斷 (%2)。它及其後的圖片未發送。"},
    // kCancelled
    {"Stopped: the remaining pictures were not processed.", "已停止：其余图片未处理。",
     "Detenido: las imágenes restantes no se procesaron.",
     "Interrompido: as imagens restantes não foram processadas.",
     "Interrotto: le immagini rimanenti non sono state elaborate.", "已停止：其餘圖片未處理。"},
    // kPictureRefused
    {"%1: refused by the archive (status 0x%2).", "%1：被影像归档拒绝 (状态 0x%2)。",
     "%1: rechazada por el archivo (estado 0x%2).", "%1: recusada pelo arquivo (status 0x%2).",
     "%1: rifiutata dall'archivio (stato 0x%2).", "%1：被影像歸檔拒絕 (狀態 0x%2)。"},
    // kNotAPicture
    {"%1: not a picture that can be read.", "%1：不是可读取的图片。",
     "%1: no es una imagen legible.", "%1: não é uma imagem legível.",
     "%1: non è un'immagine leggibile.", "%1：不是可讀取的圖片。"},
    // kPictureTooLarge
    {"%1: the picture is too large.", "%1：图片太大。", "%1: la imagen es demasiado grande.",
     "%1: a imagem é grande demais.", "%1: l'immagine è troppo grande.", "%1：圖片太大。"},
    // kWriteFailed
    {"%1: could not be written.", "%1：无法写入。", "%1: no se pudo escribir.",
     "%1: não foi possível gravar.", "%1: impossibile scrivere.", "%1：無法寫入。"},
    // kBuildFailed
    {"%1: the DICOM object could not be made.", "%1：无法生成 DICOM 对象。",
     "%1: no se pudo crear el objeto DICOM.", "%1: não foi possível criar o objeto DICOM.",
     "%1: impossibile creare l'oggetto DICOM.", "%1：無法生成 DICOM 物件。"},
    // kAndMore
    {"...and %1 more.", "……另有 %1 项。", "...y %1 más.", "...e mais %1.", "...e altre %1.",
     "……另有 %1 項。"},
    // kSettingsTitle
    {"DICOM settings", "DICOM 设置", "Configuración DICOM", "Configurações DICOM",
     "Impostazioni DICOM", "DICOM 設置"},
    // kHost
    {"Archive host:", "影像归档主机:", "Host del archivo:", "Host do arquivo:",
     "Host dell'archivio:", "影像歸檔主機:"},
    // kPort
    {"Port:", "端口:", "Puerto:", "Porta:", "Porta:", "連接埠:"},
    // kCalledAe
    {"Archive AE title:", "影像归档 AE 标题:", "Título AE del archivo:", "Título AE do arquivo:",
     "Titolo AE dell'archivio:", "影像歸檔 AE 標題:"},
    // kCallingAe
    {"Our AE title:", "本机 AE 标题:", "Nuestro título AE:", "Nosso título AE:",
     "Nostro titolo AE:", "本機 AE 標題:"},
    // kSettingsInvalid
    {"Check the entries: the host is a name or an IPv4 address, the port a number from 1 to "
     "65535, each AE title 1 to 16 Latin letters, digits or signs without \\.",
     "请检查输入：主机为名称或 IPv4 地址，端口为 1 到 65535 的数字，每个 AE 标题为 1 到 16 "
     "个拉丁字母、数字或符号，不含 \\。",
     "Revise los datos: el host es un nombre o una dirección IPv4, el puerto un número de 1 a "
     "65535 y cada título AE de 1 a 16 letras latinas, cifras o signos sin \\.",
     "Verifique os dados: o host é um nome ou endereço IPv4, a porta um número de 1 a 65535 e "
     "cada título AE de 1 a 16 letras latinas, algarismos ou sinais sem \\.",
     "Controllare i dati: l'host è un nome o un indirizzo IPv4, la porta un numero da 1 a "
     "65535, ogni titolo AE da 1 a 16 lettere latine, cifre o segni senza \\.",
     "請檢查輸入：主機為名稱或 IPv4 位址，連接埠為 1 到 65535 的數字，每個 AE 標題為 1 到 16 "
     "個拉丁字母、數字或符號，不含 \\。"},
}};

}  // namespace

QString DicomTextFor(int languageIndex, DicomText text) {
    const int column = languageIndex >= 0 && languageIndex < 6 ? languageIndex : 0;
    const std::string_view value = kTexts[static_cast<size_t>(text)][column];
    return QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
}

}  // namespace vyr
