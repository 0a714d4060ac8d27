// The `quorvel` command line: the window's pipeline without a window.
#include <CLI/CLI.hpp>

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>

#include "batch/batch_run.h"
#include "batch/merge.h"
#include "batch/task_run.h"
#include "cli/huge_pages.h"
#include "cli/info_command.h"
#include "cli/output_arguments.h"
#include "cli/query_command.h"
#include "cli/simulate_command.h"
#include "cli/version.h"  // generated at build time
#include "pipeline/project_run.h"
#include "pipeline/report.h"
#include "render/bitmap_tile_store.h"
#include "scan/scan_store.h"

namespace {

using namespace quorvel;

// What the window does when it is destroyed: release the scan and the picture.
struct ReleaseAtExit {
  ~ReleaseAtExit() {
    freeScanStore();
    freeBitmapTiles();
  }
};

// The output options that `run` and `batch` share, as typed.
struct OutputArguments {
  RunOptions run;
  std::string images;
  std::string mask;
  std::string exports;
  std::string mapTemplate;
  int32_t epsg = 0;
  bool quiet = false;  // the pipeline shows no progress display yet
  CLI::Option* imagesOption = nullptr;
  CLI::Option* exportsOption = nullptr;
  CLI::Option* mapTemplateOption = nullptr;
  CLI::Option* epsgOption = nullptr;
};

struct Arguments {
  std::string project;
  std::string outDir;
  SimulationOptions simulation;
  OutputArguments run;
  OutputArguments batchOutputs;
  batch::BatchOptions batch;
  int64_t queryLine = 0;
  int64_t querySample = 0;
  std::string batchDir;
  std::optional<int64_t> task;
  int64_t arrayOffset = 0;
  std::optional<int> taskThreads;
};

void addInfo(CLI::App& app, Arguments& args) {
  CLI::App* info = app.add_subcommand("info", "Load a project and describe it");
  info->add_option("project", args.project, "The project's MDL file")->required();
}

void addOutputOptions(CLI::App* command, OutputArguments& args) {
  args.imagesOption =
      command->add_option("--images", args.images,
                          "Pictures to write: range,variance,normal,contour,segment,surface,"
                          "regions, or all for the first six");
  args.exportsOption = command->add_option(
      "--export", args.exports,
      "Exports to write: pt3d-normal,pt3d-class,count-map,road-height,road-ds,nonroad-ds,ply,las,"
      "geotiff,kerbs, or all for the first six");
  args.mapTemplateOption = command
                               ->add_option("--map-template", args.mapTemplate,
                                            "Grid template of the map exports (a map header)")
                               ->check(CLI::ExistingFile);
  args.epsgOption = command->add_option("--epsg", args.epsg,
                                        "EPSG code of the projected coordinate system (metres) of "
                                        "the GeoTIFFs, kerb lines, mosaics and point cloud "
                                        "(default: none)");
  command->add_flag("--dump", args.run.dump, "Run every stage and write its in-memory results");
  command->add_option("--mask", args.mask, "Mask range STNO:EDNO (write negative numbers with =)");
  command->add_flag("--inverse", args.run.inverse, "Inverse on before any picture is built");
  command->add_flag("--drop-pose-glitches", args.run.dropPoseGlitches,
                    "Give the samples of pose glitches no point (they are reported either way)");
  command->add_option("--threads", args.run.threads, "Worker threads (default: all cores)")
      ->check(CLI::NonNegativeNumber);
  command->add_flag("--timings", args.run.timings, "Print 'stage NAME SECONDS' lines");
  command->add_flag("--quiet", args.quiet, "No progress display");
}

void addRun(CLI::App& app, Arguments& args) {
  CLI::App* run = app.add_subcommand("run", "Run the pipeline and write the requested outputs");
  run->add_option("project", args.run.run.project, "The project's MDL file")->required();
  run->add_option("--out", args.run.run.outDir, "Output folder (created if missing)")->required();
  addOutputOptions(run, args.run);
}

// A count that must be a whole number of at least 1, said in words when it is not.
CLI::Validator atLeastOne() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        long long value = 0;
        const char* end = text.data() + text.size();
        const auto result = std::from_chars(text.data(), end, value);
        if (result.ec != std::errc() || result.ptr != end || value < 1 || value > INT32_MAX) {
          return "must be a whole number of at least 1, not '" + text + "'";
        }
        return "";
      },
      "INT >= 1");
}

void addBatch(CLI::App& app, Arguments& args) {
  CLI::App* batch = app.add_subcommand(
      "batch", "Split projects into tasks, run them here or on Slurm, and merge the results");
  batch->add_option("projects", args.batch.projects, "The projects' MDL files")->required();
  batch->add_option("--out", args.batch.outDir, "Batch folder (created if missing)")->required();
  batch->add_option("--chunk-lines", args.batch.chunkLines, "Scan lines per task at most")
      ->check(atLeastOne())
      ->capture_default_str();
  batch->add_option("--jobs", args.batch.jobs, "Tasks at a time (default: one per two cores)")
      ->check(atLeastOne());
  auto* slurm = batch->add_flag("--slurm", args.batch.slurm, "Submit the tasks to Slurm");
  batch->add_option("--sbatch-options", args.batch.sbatchOptions, "Options for every sbatch call")
      ->needs(slurm);
  addOutputOptions(batch, args.batchOutputs);
}

void addTaskAndMerge(CLI::App& app, Arguments& args) {
  CLI::App* task = app.add_subcommand("task", "Run one task of a planned batch");
  task->add_option("dir", args.batchDir, "The batch folder")->required();
  task->add_option("task", args.task, "Task number (default: $SLURM_ARRAY_TASK_ID + offset)");
  task->add_option("--array-offset", args.arrayOffset, "Added to $SLURM_ARRAY_TASK_ID");
  task->add_option("--threads", args.taskThreads, "Worker threads (default: the batch's)")
      ->check(CLI::NonNegativeNumber);
  CLI::App* merge = app.add_subcommand("merge", "Merge the done tasks of a batch and report");
  merge->add_option("dir", args.batchDir, "The batch folder")->required();
}

void addQuery(CLI::App& app, Arguments& args) {
  CLI::App* query = app.add_subcommand(
      "query", "Segment the regions and print the Query Info fields of one sample");
  query->add_option("project", args.project, "The project's MDL file")->required();
  query->add_option("--line", args.queryLine, "Scan line (write negative numbers with =)")
      ->required();
  query->add_option("--sample", args.querySample, "Sample index within the scan line")->required();
}

// Checks the option values that CLI11 cannot; a fault is a usage error.
Status completeRunOptions(OutputArguments& args, cli::EpsgUse use) {
  if (args.imagesOption->count() > 0) {
    Status status = cli::parseImageList(args.images, args.run.images);
    if (!status.ok()) return status;
  }
  if (args.exportsOption->count() > 0) {
    Status status = cli::parseExportList(args.exports, args.run.exports);
    if (!status.ok()) return status;
  }
  if (args.mapTemplateOption->count() > 0) {
    args.run.mapTemplate = std::filesystem::absolute(args.mapTemplate).string();
  }
  if (args.epsgOption->count() > 0) args.run.epsg = args.epsg;
  if (Status status = cli::checkEpsgOption(args.run.epsg, args.run.exports, use); !status.ok()) {
    return status;
  }
  if (!args.mask.empty()) {
    MaskRange mask;
    Status status = cli::parseMaskRange(args.mask, mask);
    if (!status.ok()) return status;
    args.run.mask = mask;
  }
  return {};
}

// The task of `quorvel task DIR`: the number given, or Slurm's array index plus the offset.
std::optional<int64_t> taskNumber(const Arguments& args) {
  if (args.task) return args.task;
  const char* index = std::getenv("SLURM_ARRAY_TASK_ID");
  if (!index) return std::nullopt;
  return std::strtoll(index, nullptr, 10) + args.arrayOffset;
}

int usageError(const char* command, const Status& status) {
  std::cerr << "quorvel " << command << ": " << status.reason << "\n";
  return EXIT_USAGE;
}

void addSimulate(CLI::App& app, Arguments& args) {
  CLI::App* simulate =
      app.add_subcommand("simulate", "Write a synthetic project with its ground truth");
  simulate->add_option("--out", args.outDir, "Output folder (created if missing)")->required();
  simulate->add_option("--scene", args.simulation.scene, "street, hills, hills-cut or hills-fill")
      ->capture_default_str();
  simulate->add_option("--lines", args.simulation.lines, "Scan lines to load")
      ->capture_default_str();
  simulate
      ->add_option("--setup", args.simulation.resolution, "Angular resolution: 1.0, 0.5 or 0.25")
      ->capture_default_str();
  simulate->add_option("--seed", args.simulation.seed, "Random seed")->capture_default_str();
}

// The command line as a shell would take it back: words with other than plain characters in
// single quotes; the program by its file name.
std::string commandLine(int argc, char** argv) {
  std::string line = "quorvel";
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    const bool plain = !word.empty() && word.find_first_not_of(
                                            "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                            "0123456789-_./,:=+@%") == std::string::npos;
    std::string quoted = "'";
    for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    line += " " + (plain ? word : quoted + "'");
  }
  return line;
}

std::string versionText() {
  const std::string commit = QUORVEL_COMMIT;
  return std::string("quorvel ") + QUORVEL_VERSION +
         (commit.empty() ? "" : " (commit " + commit + ")");
}

}  // namespace

int main(int argc, char** argv) {
  cli::restartWithHugePages(argv);
  CLI::App app{"Quorvel: range images, surface features, segmentation and exports of DS scans"};
  app.set_version_flag("--version", versionText());
  app.require_subcommand(1);
  Arguments args;
  addInfo(app, args);
  addRun(app, args);
  addQuery(app, args);
  addSimulate(app, args);
  addBatch(app, args);
  addTaskAndMerge(app, args);
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {  // --help, --version
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return EXIT_USAGE;
  }
  const ReleaseAtExit release;
  if (app.got_subcommand("info")) return cli::runInfo(args.project, std::cout, std::cerr);
  if (app.got_subcommand("query")) {
    return cli::runQuery(args.project, args.queryLine, args.querySample, std::cout, std::cerr);
  }
  if (app.got_subcommand("run")) {
    const Status options = completeRunOptions(args.run, cli::EpsgUse::Run);
    if (!options.ok()) return usageError("run", options);
    return runProject(args.run.run, std::cout, std::cerr);
  }
  if (app.got_subcommand("batch")) {
    const Status options = completeRunOptions(args.batchOutputs, cli::EpsgUse::Batch);
    if (!options.ok()) return usageError("batch", options);
    args.batch.run = args.batchOutputs.run;
    args.batch.quiet = args.batchOutputs.quiet;
    args.batch.command = commandLine(argc, argv);
    return batch::runBatch(args.batch, std::cout, std::cerr);
  }
  if (app.got_subcommand("task")) {
    const std::optional<int64_t> task = taskNumber(args);
    if (!task) return usageError("task", fault("no task number and no $SLURM_ARRAY_TASK_ID"));
    return batch::runTask(args.batchDir, *task, args.taskThreads, std::cout, std::cerr);
  }
  if (app.got_subcommand("merge"))
    return batch::runMerge(args.batchDir, std::nullopt, std::cout, std::cerr);
  const Status options = checkSimulationOptions(args.simulation);
  if (!options.ok()) return usageError("simulate", options);
  return cli::runSimulate(args.simulation, args.outDir, std::cout, std::cerr);
}
