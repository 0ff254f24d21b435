# Test trees for the benchmarks, made once and reused: make_tree DIR FILES PER_FOLDER writes FILES
# files of 2,000 random bytes into folders of PER_FOLDER (DIR/d0, DIR/d1, ...), unless DIR.complete
# says it is already there.
make_tree() {
  local dir=$1 files=$2 per_dir=$3
  [ -f "$dir.complete" ] && return 0
  echo "making $dir ($files files, $per_dir per folder) ..." >&2
  rm -rf "$dir"
  local d n
  for d in $(seq 0 $(((files - 1) / per_dir))); do
    n=$((files - d * per_dir))
    [ "$n" -gt "$per_dir" ] && n=$per_dir
    mkdir -p "$dir/d$d"
    head -c $((n * 2000)) /dev/urandom | split -b 2000 -a 5 -d --additional-suffix=.dat - "$dir/d$d/f"
  done
  touch "$dir.complete"
}
