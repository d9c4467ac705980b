// vyr2dcm: converts pictures of one patient into DICOM files (VL Photographic Image), the same
// objects the photo list's "Export as DICOM..." writes, so that a practice can batch older
// pictures from a script:
//
//   vyr2dcm --tel 10000 --name zevra --gender female --age 30 --out DIR PICTURE...
//
// Pictures of one run that were taken on the same day share a study; with --dicom-ini naming the
// program's dicom.ini, the study is also the one the program itself uses for that patient and day.
// Prints one line per picture; exit status 0 when every picture was written, 1 when one failed,
// 2 for a wrong command line.
#include <QCoreApplication>
#include <QDateTime>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "dicom/archive_settings.h"
#include "dicom/dicom_result.h"
#include "dicom/dicom_uids.h"
#include "dicom/photo_batch.h"
#include "dicom/photo_export.h"
#include "patients/store/patient_record.h"

namespace {

constexpr char kUsage[] =
    "usage: vyr2dcm --tel TEL --name NAME --gender female|male [--age AGE] [--out DIR]\n"
    "               [--dicom-ini FILE] PICTURE...\n"
    "Writes DIR/<picture name>.dcm (DIR defaults to the current folder) for each picture.\n";

struct Options {
    std::string tel;
    std::string name;
    std::string gender;
    std::string age;
    std::string out = ".";
    std::string dicomIni;
    std::vector<std::filesystem::path> pictures;
};

// Returns false (after printing why) for a wrong command line.
bool Parse(int argc, char** argv, Options* options) {
    const std::pair<const char*, std::string*> valued[] = {
        {"--tel", &options->tel}, {"--name", &options->name}, {"--gender", &options->gender},
        {"--age", &options->age}, {"--out", &options->out},   {"--dicom-ini", &options->dicomIni}};
    for (int i = 1; i < argc; ++i) {
        bool isOption = false;
        for (const auto& [name, value] : valued) {
            if (std::strcmp(argv[i], name) == 0) {
                if (i + 1 >= argc) {
                    std::fprintf(stderr, "vyr2dcm: %s needs a value\n", name);
                    return false;
                }
                *value = argv[++i];
                isOption = true;
            }
        }
        if (isOption) {
            continue;
        }
        if (std::strncmp(argv[i], "--", 2) == 0) {
            std::fprintf(stderr, "vyr2dcm: unknown option %s\n", argv[i]);
            return false;
        }
        options->pictures.emplace_back(argv[i]);
    }
    if (options->tel.empty() || options->pictures.empty() ||
        (options->gender != "female" && options->gender != "male")) {
        std::fprintf(stderr, "vyr2dcm: --tel, --gender female|male and a picture are needed\n");
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    Options options;
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (!Parse(argc, argv, &options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const vyr::PatientRecord patient =
        vyr::MakePatientRecord(options.name, options.age, options.tel,
                               options.gender == "female" ? vyr::kGenderFemale : vyr::kGenderMale);
    const std::string siteKey =
        options.dicomIni.empty() ? vyr::NewSiteKey() : vyr::ReadOrCreateSiteKey(options.dicomIni);
    const vyr::PhotoBatch batch(patient, options.pictures, siteKey, QDateTime::currentDateTime());
    vyr::BatchReport report;
    (void)vyr::ExportBatch(batch, options.out, {}, nullptr, &report);
    for (const vyr::PictureOutcome& outcome : report.pictures) {
        if (outcome.result == vyr::kDicomOk) {
            std::printf("%s -> %s\n", outcome.picture.c_str(), outcome.written.c_str());
        } else {
            std::printf("%s: %s\n", outcome.picture.c_str(), vyr::DicomResultName(outcome.result));
        }
    }
    return report.DoneCount() == batch.size() ? 0 : 1;
}
